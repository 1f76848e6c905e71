#include "KestGraphicPropsCommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "KestGraphic.h"

namespace kest {

std::string LinkFilePath(std::string_view name)
{
    const QString file = QString::fromUtf8(name.data(), qsizetype(name.size()));
    // Without an application object there is no program folder to ask for.
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir(folder).absoluteFilePath(file).toStdString();
}

std::optional<TBytes> ReadLinkFile(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    QFile file(QString::fromStdString(LinkFilePath(name)));
    // Devices and pipes have no size to check; only plain files are read.
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() || file.size() > MaxGraphicDataBytes)
        return std::nullopt;
    const QByteArray data = file.read(file.size());
    if (data.size() != file.size())
        return std::nullopt;
    return TBytes(data.begin(), data.end());
}

} // namespace kest
