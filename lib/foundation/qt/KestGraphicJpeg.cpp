#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
// jpeglib.h must come first: jerror.h relies on its types.
#include <jerror.h>

#include "KestGraphic.h"

namespace kest {

KEST_CLASS_IMPL(TKestJpegImage, TKestGraphic)

namespace {

// Progressive files can repeat scans without end; real encoders use a few
// dozen at most.
constexpr int MaxJpegScans = 500;
// Progressive and multi-scan files keep every coefficient in memory.
constexpr long MaxJpegWorkMemory = 512L << 20;

// libjpeg reports a fatal error by calling error_exit, which must not return.
// This decoder longjmps back into Run; between setjmp and the jump only
// libjpeg's C frames and Run's trivially destructible locals exist, and all
// state that outlives the jump lives in members.
class TJpegDecoder {
public:
    TJpegDecoder()
    {
        cinfo_.err = jpeg_std_error(&error_);
        error_.error_exit = ErrorExit;
        error_.emit_message = EmitMessage;
        error_.output_message = [](j_common_ptr) {};
        progress_.progress_monitor = ProgressMonitor;
        source_.init_source = [](j_decompress_ptr) {};
        source_.fill_input_buffer = FillInputBuffer;
        source_.skip_input_data = SkipInputData;
        source_.resync_to_restart = jpeg_resync_to_restart;
        source_.term_source = [](j_decompress_ptr) {};
        cinfo_.client_data = this;
    }
    ~TJpegDecoder()
    {
        if (created_)
            jpeg_destroy_decompress(&cinfo_);
    }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    QImage Run(std::span<const uint8_t> data, std::string& reason)
    {
        if (setjmp(jump_)) {
            image_ = QImage();
            reason = std::string("JPEG data error: ") + message_;
            return QImage();
        }
        jpeg_create_decompress(&cinfo_);
        created_ = true;
        cinfo_.mem->max_memory_to_use = MaxJpegWorkMemory;
        cinfo_.progress = &progress_;
        source_.next_input_byte = data.data();
        source_.bytes_in_buffer = data.size();
        cinfo_.src = &source_;
        if (jpeg_read_header(&cinfo_, TRUE) != JPEG_HEADER_OK) {
            reason = "JPEG data holds no image";
            return QImage();
        }
        if (!CheckGraphicSize(cinfo_.image_width, cinfo_.image_height, "JPEG image", &reason))
            return QImage();
        switch (cinfo_.jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo_.out_color_space = JCS_GRAYSCALE;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo_.out_color_space = JCS_CMYK;
            break;
        default:
            cinfo_.out_color_space = JCS_RGB;
        }
        jpeg_start_decompress(&cinfo_);
        image_ = QImage(int(cinfo_.output_width), int(cinfo_.output_height), QImage::Format_RGB32);
        if (image_.isNull()) {
            reason = "Out of memory for a JPEG image";
            return QImage();
        }
        row_.resize(size_t(cinfo_.output_width) * size_t(cinfo_.output_components));
        while (cinfo_.output_scanline < cinfo_.output_height) {
            JSAMPROW row = row_.data();
            const int y = int(cinfo_.output_scanline);
            if (jpeg_read_scanlines(&cinfo_, &row, 1) != 1) {
                reason = "JPEG data ended before the last row";
                return QImage();
            }
            StoreRow(reinterpret_cast<QRgb*>(image_.scanLine(y)));
        }
        // The pixels are complete; what may follow the last scan (markers,
        // even a missing end marker) is not read.
        jpeg_abort_decompress(&cinfo_);
        return std::move(image_);
    }

private:
    static TJpegDecoder* Self(j_common_ptr cinfo) { return static_cast<TJpegDecoder*>(cinfo->client_data); }

    [[noreturn]] static void ErrorExit(j_common_ptr cinfo)
    {
        TJpegDecoder* self = Self(cinfo);
        cinfo->err->format_message(cinfo, self->message_);
        std::longjmp(self->jump_, 1);
    }

    // At the end of the data the decoder is given an end-of-image marker.
    // The first time this is silent: a file that lacks only its end marker
    // is complete, and the entropy decoder reads ahead without needing the
    // bytes. A truncated scan still fails, since its decoder hits the marker
    // while it needs data; asking again means the file ended inside a header.
    static boolean FillInputBuffer(j_decompress_ptr cinfo)
    {
        static const JOCTET EndOfImage[2] = {0xFF, JPEG_EOI};
        TJpegDecoder* self = Self(reinterpret_cast<j_common_ptr>(cinfo));
        if (self->endSupplied_)
            WARNMS(cinfo, JWRN_JPEG_EOF);
        self->endSupplied_ = true;
        self->source_.next_input_byte = EndOfImage;
        self->source_.bytes_in_buffer = 2;
        return TRUE;
    }

    static void SkipInputData(j_decompress_ptr cinfo, long count)
    {
        jpeg_source_mgr& source = Self(reinterpret_cast<j_common_ptr>(cinfo))->source_;
        while (count > long(source.bytes_in_buffer)) {
            count -= long(source.bytes_in_buffer);
            FillInputBuffer(cinfo);
        }
        if (count > 0) {
            source.next_input_byte += count;
            source.bytes_in_buffer -= size_t(count);
        }
    }

    // Warnings that mean pixels are missing end the decoding; the harmless
    // ones (stray bytes between markers, unknown JFIF versions) are ignored.
    static void EmitMessage(j_common_ptr cinfo, int level)
    {
        if (level >= 0)
            return;
        switch (cinfo->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
            ErrorExit(cinfo);
        default:
            break;
        }
    }

    static void ProgressMonitor(j_common_ptr cinfo)
    {
        const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (dinfo->input_scan_number > MaxJpegScans) {
            TJpegDecoder* self = Self(cinfo);
            std::snprintf(self->message_, sizeof self->message_, "more than %d scans", MaxJpegScans);
            std::longjmp(self->jump_, 1);
        }
    }

    void StoreRow(QRgb* out) const
    {
        const JSAMPLE* in = row_.data();
        const int width = int(cinfo_.output_width);
        if (cinfo_.out_color_space == JCS_GRAYSCALE) {
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(in[x], in[x], in[x]);
        } else if (cinfo_.out_color_space == JCS_RGB) {
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        } else {
            // Files with an Adobe marker (Photoshop's) store CMYK inverted.
            const bool inverted = cinfo_.saw_Adobe_marker;
            for (int x = 0; x < width; ++x, in += 4) {
                const int c = inverted ? in[0] : 255 - in[0];
                const int m = inverted ? in[1] : 255 - in[1];
                const int y = inverted ? in[2] : 255 - in[2];
                const int k = inverted ? in[3] : 255 - in[3];
                out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
            }
        }
    }

    jpeg_decompress_struct cinfo_ {};
    jpeg_error_mgr error_ {};
    jpeg_progress_mgr progress_ {};
    jpeg_source_mgr source_ {};
    bool endSupplied_ = false;
    std::jmp_buf jump_ {};
    char message_[JMSG_LENGTH_MAX] = {};
    bool created_ = false;
    std::vector<JSAMPLE> row_;
    QImage image_;
};

} // namespace

QImage DecodeJpeg(std::span<const uint8_t> data, std::string& reason)
{
    TJpegDecoder decoder;
    return decoder.Run(data, reason);
}

std::unique_ptr<TKestGraphic> TKestJpegImage::Clone() const
{
    return std::unique_ptr<TKestGraphic>(new TKestJpegImage(*this));
}

bool TKestJpegImage::ReadData(std::span<const uint8_t> data, std::string& reason)
{
    image_ = DecodeJpeg(data, reason);
    if (image_.isNull())
        return false;
    data_.assign(data.begin(), data.end());
    return true;
}

void TKestJpegImage::Clear()
{
    data_.clear();
    image_ = QImage();
}

} // namespace kest
