// Shared pieces of the graphic property tests: saving a list to text and
// loading it back, file images of each graphic class, and small bitmaps
// whose pixels tell where they came from.
#pragma once

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <memory>
#include <string>

#include "KestColor.h"
#include "KestFiler.h"
#include "KestGraphic.h"
#include "KestProps.h"
#include "KestStream.h"

namespace kest::test {

inline std::string SaveList(TPropList& list, bool force = false, bool binary = false)
{
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        filer.SetBinary(binary);
        list.SaveToFiler(filer, "", force);
        filer.SetBinary(false);
    }
    return stream.Text();
}

inline void LoadList(TPropList& list, const std::string& text)
{
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    std::string line;
    for (bool more = true; more;) {
        more = filer.LoadStrCheck(line);
        if (!more && line.empty())
            break;
        list.LoadProperty(filer, line);
    }
}

// Pixel (x, y) of a w x h image has red x * 16, green y * 16 and blue 200,
// so every pixel of a small image is told apart.
inline QImage GridImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 16 % 256, y * 16 % 256, 200));
    return image;
}

inline TColor GridColor(int x, int y)
{
    return RGBColor(x * 16 % 256, y * 16 % 256, 200);
}

inline std::unique_ptr<TKestBitmap> MakeBitmap(const QImage& image)
{
    auto bitmap = std::make_unique<TKestBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

inline TBytes Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return TBytes(bytes.begin(), bytes.end());
}

inline TBytes BmpFile(int w, int h)
{
    return MakeBitmap(GridImage(w, h))->SaveToBytes();
}

// A plain metafile holding only its end record.
inline TBytes WmfFile()
{
    return {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
}

// The streamed form of a graphic of that class holding data.
inline TBytes GraphicStream(const char* className, const TBytes& data)
{
    std::unique_ptr<TKestGraphic> graphic = CreateGraphic(className);
    graphic->LoadFromBytes(data);
    return SaveGraphicStream(*graphic);
}

// A file in the program's folder for the duration of a test.
class TAppFile {
public:
    TAppFile(const std::string& name, const TBytes& data)
        : path_(QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromStdString(name)))
    {
        QFile file(path_);
        if (file.open(QIODevice::WriteOnly))
            file.write(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }
    ~TAppFile() { QFile::remove(path_); }
    TAppFile(const TAppFile&) = delete;
    TAppFile& operator=(const TAppFile&) = delete;

private:
    QString path_;
};

} // namespace kest::test
