#include "KestEditDocument.h"

#include <QSaveFile>
#include <algorithm>

#include "DoorCtrls.h"
#include "KestControls.h"
#include "KestError.h"
#include "KestStream.h"

namespace kest {

namespace {

QString FaultMessage(const QString& fileName, const std::string& what)
{
    const QString message = QString::fromStdString(what);
    // The file stream names the file already when it cannot be opened.
    return message.contains(fileName) ? message : fileName + ": " + message;
}

} // namespace

std::unique_ptr<TKestPanel> LoadEditDocument(const QString& fileName, QString& error)
{
    auto panel = std::make_unique<TKestPanel>();
    try {
        panel->LoadFromFile(fileName.toStdString());
    } catch (const EKestError& e) {
        error = FaultMessage(fileName, e.what());
        return nullptr;
    } catch (const std::bad_alloc&) {
        error = fileName + ": out of memory";
        return nullptr;
    }
    return panel;
}

bool SaveEditDocument(TKestPanel& panel, const QString& fileName, bool binary, QString& error)
{
    // The panel writes in the form it was told to keep; a failed save
    // leaves its form as it was.
    const bool wasBinary = panel.SaveAsBinary();
    const bool wasModified = panel.Modified();
    auto fail = [&](const QString& message) {
        panel.SetSaveAsBinary(wasBinary);
        panel.SetModified(wasModified);
        error = message;
        return false;
    };
    panel.SetSaveAsBinary(binary);
    TKestMemoryStream stream;
    try {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, binary);
        panel.SaveToFiler(*filer);
    } catch (const EKestError& e) {
        return fail(FaultMessage(fileName, e.what()));
    }
    QSaveFile file(fileName);
    const std::vector<uint8_t>& data = stream.Data();
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()))
            != static_cast<qint64>(data.size())
        || !file.commit())
        return fail(fileName + ": " + file.errorString());
    panel.SetModified(false);
    return true;
}

const std::vector<const TKestControlClass*>& RegisterEditClasses()
{
    static const std::vector<const TKestControlClass*> tools = [] {
        RegisterBaseControlClasses();
        const std::vector<const TKestControlClass*> base = ControlClasses();
        RegisterShapeClasses();
        doravo::RegisterDoorClasses();
        std::vector<const TKestControlClass*> result;
        for (const TKestControlClass* cls : ControlClasses())
            if (std::find(base.begin(), base.end(), cls) == base.end())
                result.push_back(cls);
        return result;
    }();
    return tools;
}

QString ControlClassCaption(const TKestControlClass* cls)
{
    std::string hint;
    if (cls->ToolInfo(nullptr, hint) && !hint.empty())
        return QString::fromStdString(hint);
    QString name = QString::fromLatin1(cls->Name());
    if (name.startsWith("TKest"))
        name = name.mid(5);
    // "RegularPolygon" reads "Regular Polygon".
    for (qsizetype i = name.size() - 1; i > 0; --i)
        if (name[i].isUpper() && name[i - 1].isLower())
            name.insert(i, QLatin1Char(' '));
    return name;
}

} // namespace kest
