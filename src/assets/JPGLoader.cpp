// JPEG lumps, decoded with libjpeg-turbo.
//
// The decoder works from the lump's bytes in memory and always produces 8-bit
// RGB: colour (YCbCr or RGB) and grey-scale pictures are converted by the
// library. CMYK and YCCK pictures (Adobe's four-channel JPEGs) are a special
// case: the library turns YCCK into CMYK but will not go on to RGB, so they are
// decoded to CMYK and converted here, row by row. Adobe stores the channels
// inverted (255 = no ink); a file with Adobe's marker is read that way, any other
// as plain ink amounts.
//
// Rows come out of libjpeg top first and are written bottom first, so the first
// row of the result is the bottom of the picture, as with a TGA: OpenGL takes
// the first row as t = 0.
//
// libjpeg reports a fatal error by calling error_exit, which by default prints
// and exits the process. Here it longjmps back to the one function that drives
// the library, which returns false; everything that function allocated lives in
// a job record outside it, reached through a pointer, so the caller can release
// it after the jump. The function itself holds no object with a destructor.
// Warnings (corrupt data that the library would paper over with grey, a missing
// end of file) are treated as errors too: a texture is either decoded from
// sound data or refused. Nothing is ever printed.
//
// Hostile input is bounded before it costs anything: the picture's size is
// checked against kMaxJPEGSide and kMaxJPEGPixels straight after the header,
// before any pixel memory exists; the library's own working memory is capped;
// and a progressive file may not have more than kMaxScans scans (each scan
// re-reads the whole coefficient buffer, so thousands of tiny scans would make
// a small file take minutes).
#include "assets/JPGLoader.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

#include "assets/Texture.h"

namespace {

constexpr int kMaxScans = 500;
constexpr long kMaxLibraryMemory = 768L * 1024 * 1024;  // bytes

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer to it is ours too
    std::jmp_buf escape;
};

// Everything one decode allocates or needs after an error, kept outside the
// function that calls setjmp. Value-initialised, so a job that failed at any
// point (even inside jpeg_create_decompress) can be destroyed.
struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    const unsigned char* data;
    unsigned long length;
    unsigned char* pixels;   // malloc'd, width x height x 3, the result
    unsigned char* scratch;  // malloc'd, one CMYK row
    uint32_t width;
    uint32_t height;
};

[[noreturn]] void Escape(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

// Warnings that only describe the header's bookkeeping; the picture is sound.
bool IsHarmlessWarning(int code) { return code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM; }

// msgLevel -1 is a warning; 0 and above are trace messages, always ignored.
void OnMessage(j_common_ptr cinfo, int msgLevel) {
    if (msgLevel < 0 && !IsHarmlessWarning(cinfo->err->msg_code)) Escape(cinfo);
}

void PrintNothing(j_common_ptr) {}

void LimitScans(j_common_ptr common) {
    if (!common->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kMaxScans) Escape(common);
}

bool SizeAccepted(JDIMENSION width, JDIMENSION height) {
    if (width == 0 || height == 0 || width > kMaxJPEGSide || height > kMaxJPEGSide) return false;
    return static_cast<uint64_t>(width) * height <= kMaxJPEGPixels;
}

// (a x b) / 255, rounded.
unsigned char Scale(unsigned a, unsigned b) { return static_cast<unsigned char>((a * b + 127) / 255); }

void CMYKRowToRGB(const unsigned char* cmyk, unsigned char* rgb, uint32_t width, bool inverted) {
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        // White light minus each ink: with inverted storage a byte is already
        // the light that gets through.
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        rgb[0] = Scale(c, k);
        rgb[1] = Scale(m, k);
        rgb[2] = Scale(y, k);
    }
}

void InstallHandlers(DecodeJob* job) {
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = Escape;
    job->err.pub.emit_message = OnMessage;
    job->err.pub.output_message = PrintNothing;
    job->progress.progress_monitor = LimitScans;
}

// Drives libjpeg over job's bytes and leaves the picture in job->pixels. Every
// library error comes back through longjmp to the setjmp below; the locals
// here are set before it or never read after a jump.
bool RunDecode(DecodeJob* job) {
    j_decompress_ptr const cinfo = &job->cinfo;
    if (setjmp(job->err.escape)) return false;

    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data, job->length);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (!SizeAccepted(cinfo->image_width, cinfo->image_height)) return false;

    const bool fourChannel =
        cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = fourChannel ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != (fourChannel ? 4 : 3)) return false;
    if (!SizeAccepted(cinfo->output_width, cinfo->output_height)) return false;

    job->width = cinfo->output_width;
    job->height = cinfo->output_height;
    const size_t rowBytes = static_cast<size_t>(job->width) * 3;
    job->pixels = static_cast<unsigned char*>(std::malloc(rowBytes * job->height));
    if (!job->pixels) return false;
    if (fourChannel) {
        job->scratch = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(job->width) * 4));
        if (!job->scratch) return false;
    }

    while (cinfo->output_scanline < cinfo->output_height) {
        const size_t fromBottom = job->height - 1 - cinfo->output_scanline;
        unsigned char* destination = job->pixels + fromBottom * rowBytes;
        JSAMPROW row = fourChannel ? job->scratch : destination;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return false;
        if (fourChannel)
            CMYKRowToRGB(job->scratch, destination, job->width, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

}  // namespace

bool DecodeJPEG(const void* data, long length, DecodedImage* out) {
    if (!data || length <= 0 || !out) return false;

    DecodeJob job{};
    job.data = static_cast<const unsigned char*>(data);
    job.length = static_cast<unsigned long>(length);
    InstallHandlers(&job);

    const bool decoded = RunDecode(&job);
    jpeg_destroy_decompress(&job.cinfo);
    std::free(job.scratch);
    if (!decoded) {
        std::free(job.pixels);
        return false;
    }
    out->rgb.reset(job.pixels);
    out->width = job.width;
    out->height = job.height;
    return true;
}

bool BuildJPGTexture(Texture* t, const void* data, long length, int alphaMode) {
    if (!t) return false;
    DecodedImage image;
    if (!DecodeJPEG(data, length, &image)) return false;  // t untouched

    std::free(t->pixels);
    t->pixels = image.rgb.release();
    t->width = image.width;
    t->height = image.height;
    t->bitsPerPixel = 24;
    t->format = GL_RGB;
    if (BuildTexture(t, alphaMode)) return true;

    // Leave nothing half-built: no pixels, no name.
    std::free(t->pixels);
    t->pixels = nullptr;
    if (t->textureName != 0) {
        glDeleteTextures(1, &t->textureName);
        t->textureName = 0;
    }
    return false;
}
