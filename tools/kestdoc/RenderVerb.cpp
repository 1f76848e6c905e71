// kestdoc render: paints schemes of a document as they would be printed (no
// window background, frame, grid or overlays) into PNG, SVG or PDF files.
#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <charconv>
#include <set>

#include "KestDoc.h"
#include "KestDocPanel.h"

namespace kest {

namespace {

constexpr int32_t kMinRenderScale = 1;
constexpr int32_t kMaxRenderScale = 50000;
// An image's pixels are held in memory before the PNG is written: 256 MB.
constexpr int64_t kMaxRenderPixels = int64_t(1) << 26;

enum class TRenderFormat { Png, Svg, Pdf };

struct TRenderRequest {
    std::string input;
    std::string output;
    std::string scheme; // empty: the first scheme
    bool hasScheme = false;
    std::string scaleText = "100";
    bool all = false;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

TRenderRequest ParseRenderArgs(const TVerbArgs& args)
{
    TRenderRequest request;
    std::vector<std::string> positional;
    bool hasOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw EKestDocUsage(arg + " needs a value");
            return args[++i];
        };
        if (arg == "-o") {
            request.output = value();
            hasOutput = true;
        } else if (arg == "--scheme") {
            request.scheme = value();
            request.hasScheme = true;
        } else if (arg == "--scale") {
            request.scaleText = value();
        } else if (arg == "--all") {
            request.all = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw EKestDocUsage("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1)
        throw EKestDocUsage("expected 1 file name, got " + std::to_string(positional.size()));
    if (!hasOutput || request.output.empty())
        throw EKestDocUsage("give the output file with -o");
    if (request.all && request.hasScheme)
        throw EKestDocUsage("give --scheme or --all, not both");
    request.input = positional[0];
    return request;
}

TRenderFormat FormatOf(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : Lower(fileName.substr(dot));
    if (extension == ".png")
        return TRenderFormat::Png;
    if (extension == ".svg")
        return TRenderFormat::Svg;
    if (extension == ".pdf")
        return TRenderFormat::Pdf;
    throw EKestDocUsage("the output file must end in .png, .svg or .pdf");
}

int32_t ParseScale(const TRenderRequest& request)
{
    const std::string& text = request.scaleText;
    int32_t scale = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || scale < kMinRenderScale
        || scale > kMaxRenderScale)
        throw EKestDocFault(request.input + ": bad scale \"" + text + "\" (a percentage from "
            + std::to_string(kMinRenderScale) + " to " + std::to_string(kMaxRenderScale) + ")");
    return scale;
}

// A scheme's name as part of a file name: path separators and control
// characters would put the file elsewhere or make it hard to name.
std::string FileNamePart(const std::string& name)
{
    std::string part = name;
    for (char& c : part)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return part;
}

// OUT-<scheme>.ext for every scheme; a name that would repeat an earlier
// one (two schemes of one name, or none) gets the scheme's number instead.
std::vector<std::string> SchemeFileNames(const std::string& output, const std::vector<TKestCustomScheme*>& schemes)
{
    const size_t dot = output.rfind('.');
    const std::string stem = output.substr(0, dot), extension = output.substr(dot);
    std::vector<std::string> names;
    std::set<std::string> used;
    for (size_t i = 0; i < schemes.size(); ++i) {
        std::string part = FileNamePart(schemes[i]->Name());
        if (part.empty() || used.count(Lower(part)))
            part = std::to_string(i + 1);
        while (used.count(Lower(part)))
            part += "_";
        used.insert(Lower(part));
        names.push_back(stem + "-" + part + extension);
    }
    return names;
}

// The scheme painted at (0, 0) of the canvas on white paper.
void PaintScheme(TKestPanel& panel, TKestCanvas& canvas, TKestCustomScheme* scheme, int32_t scale, QSize size)
{
    const TKestRect paper {0, 0, size.width(), size.height()};
    canvas.SetBrush(TKestBrush(clWhite, bsSolid));
    canvas.FillRect(paper);
    panel.PaintTo(canvas, paper, true, true, false, false, true, scheme, scale, {0, 0});
}

QByteArray RenderPng(TKestPanel& panel, TKestCustomScheme* scheme, int32_t scale, QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        throw EKestDocFault("Out of memory for an image of " + std::to_string(size.width()) + " x "
            + std::to_string(size.height()) + " pixels");
    TKestCanvas canvas;
    canvas.Attach(&image);
    PaintScheme(panel, canvas, scheme, scale, size);
    canvas.Detach();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertTo(QImage::Format_RGB32);
    if (!image.save(&buffer, "PNG"))
        throw EKestDocFault("Cannot encode the PNG image");
    return bytes;
}

QByteArray RenderSvg(TKestPanel& panel, TKestCustomScheme* scheme, int32_t scale, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(QString::fromStdString(scheme->Name()));
    TKestCanvas canvas;
    if (!canvas.Attach(&generator))
        throw EKestDocFault("Cannot paint the SVG drawing");
    PaintScheme(panel, canvas, scheme, scale, size);
    canvas.Detach();
    return bytes;
}

// One page per scheme, each of the document's size at the scale.
QByteArray RenderPdf(TKestPanel& panel, const std::vector<TKestCustomScheme*>& schemes, int32_t scale, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(96);
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QString::fromStdString(panel.Schemes()->Name()));
        writer.setCreator("kestdoc");
        TKestCanvas canvas;
        if (!canvas.Attach(&writer))
            throw EKestDocFault("Cannot paint the PDF document");
        for (size_t i = 0; i < schemes.size(); ++i) {
            if (i > 0 && !writer.newPage())
                throw EKestDocFault("Cannot start a new PDF page");
            PaintScheme(panel, canvas, schemes[i], scale, size);
        }
        canvas.Detach();
    }
    return bytes;
}

void WriteOutput(const std::string& fileName, const QByteArray& bytes)
{
    TKestDocOutput output(fileName);
    try {
        if (output.Stream().Write(bytes.constData(), bytes.size()) != bytes.size())
            throw EKestDocFault(fileName + ": Stream write error");
    } catch (const EKestError& e) {
        throw EKestDocFault(fileName + ": " + e.what());
    }
    output.Commit();
}

std::vector<TKestCustomScheme*> ChosenSchemes(const TKestPanel& panel, const TRenderRequest& request)
{
    const TKestSchemes* schemes = panel.Schemes();
    std::vector<TKestCustomScheme*> chosen;
    for (int i = 0; i < schemes->Count(); ++i) {
        TKestCustomScheme* scheme = schemes->ByIndex(i);
        if (request.all || (request.hasScheme ? scheme->Name() == request.scheme : chosen.empty()))
            chosen.push_back(scheme);
    }
    if (chosen.empty() && request.hasScheme)
        throw EKestDocFault(request.input + ": no scheme named \"" + request.scheme + "\"");
    if (chosen.empty())
        throw EKestDocFault(request.input + ": the document has no schemes");
    return chosen;
}

} // namespace

int RunRender(const TVerbArgs& args)
{
    const TRenderRequest request = ParseRenderArgs(args);
    const TRenderFormat format = FormatOf(request.output);
    const int32_t scale = ParseScale(request);
    TKestDocApplication app;
    std::unique_ptr<TKestPanel> panel = LoadDocumentPanel(request.input);
    const std::vector<TKestCustomScheme*> schemes = ChosenSchemes(*panel, request);

    const int32_t width = ScaleValue(panel->DocWidth(), scale), height = ScaleValue(panel->DocHeight(), scale);
    const std::string sizeText = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width < 1 || height < 1)
        throw EKestDocFault(request.input + ": the document has no pixels at " + request.scaleText + " %");
    if (width > MaxCanvasSide || height > MaxCanvasSide || int64_t(width) * height > kMaxRenderPixels)
        throw EKestDocFault(request.input + ": " + sizeText + " at " + request.scaleText + " % is too large (at most "
            + std::to_string(MaxCanvasSide) + " a side and " + std::to_string(kMaxRenderPixels) + " pixels)");
    const QSize size(width, height);

    if (format == TRenderFormat::Pdf) {
        WriteOutput(request.output, RenderPdf(*panel, schemes, scale, size));
        return kExitOk;
    }
    // Every image is made before the first is written, so a fault leaves no
    // partial set behind.
    const std::vector<std::string> names
        = request.all ? SchemeFileNames(request.output, schemes) : std::vector<std::string> {request.output};
    std::vector<QByteArray> images;
    for (TKestCustomScheme* scheme : schemes)
        images.push_back(format == TRenderFormat::Png ? RenderPng(*panel, scheme, scale, size)
                                                      : RenderSvg(*panel, scheme, scale, size));
    for (size_t i = 0; i < images.size(); ++i)
        WriteOutput(names[i], images[i]);
    return kExitOk;
}

} // namespace kest
