// sandmere-xtool: what the end-to-end scripts need of X and of PNG files.
//
//   xtool shot FILE.png              the root window as a PNG
//   xtool mean X Y W H               mean colour "R G B" (0..255) of a root region
//   xtool pngmean FILE X Y W H       the same for a region of a PNG (top left origin)
//   xtool window W H                 maps a W x H window at (0, 0), prints its id
//                                    ("0x..."), keeps it until stdin closes or SIGTERM
//   xtool exists ID                  exit 0 when window ID exists, else 1
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/PNGWriter.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: xtool shot FILE | mean X Y W H | pngmean FILE X Y W H | window W H | exists ID\n");
    return 2;
}

// A region of the root window as RGB, top row first; empty on failure.
RGBImage Grab(Display* display, int x, int y, int w, int h) {
    RGBImage image;
    XImage* xi = XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap);
    if (!xi) return image;
    image.width = w;
    image.height = h;
    image.rgb.resize(static_cast<std::size_t>(w) * h * 3);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const unsigned long p = XGetPixel(xi, col, row);
            uint8_t* out = &image.rgb[(static_cast<std::size_t>(row) * w + col) * 3];
            out[0] = static_cast<uint8_t>((p & xi->red_mask) >> __builtin_ctzl(xi->red_mask));
            out[1] = static_cast<uint8_t>((p & xi->green_mask) >> __builtin_ctzl(xi->green_mask));
            out[2] = static_cast<uint8_t>((p & xi->blue_mask) >> __builtin_ctzl(xi->blue_mask));
        }
    XDestroyImage(xi);
    return image;
}

bool ReadPNG(const char* path, RGBImage* image) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path)) return false;
    png.format = PNG_FORMAT_RGB;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr) != 0;
}

int PrintMean(const RGBImage& image, int x, int y, int w, int h) {
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > image.width || y + h > image.height) return Usage();
    double sum[3] = {0, 0, 0};
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col)
            for (int c = 0; c < 3; ++c) sum[c] += image.rgb[(static_cast<std::size_t>(row) * image.width + col) * 3 + c];
    const double n = static_cast<double>(w) * h;
    std::printf("%.0f %.0f %.0f\n", sum[0] / n, sum[1] / n, sum[2] / n);
    return 0;
}

volatile std::sig_atomic_t g_done = 0;
void OnTerm(int) { g_done = 1; }

int KeepWindow(Display* display, int w, int h) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, w, h, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    struct sigaction action = {};
    action.sa_handler = OnTerm;  // no SA_RESTART: the read below returns
    sigaction(SIGTERM, &action, nullptr);
    char c;
    while (!g_done && read(0, &c, 1) > 0) {}
    XDestroyWindow(display, window);
    XSync(display, False);
    return 0;
}

int WindowExists(Display* display, const char* id) {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes a;
    return XGetWindowAttributes(display, std::strtoul(id, nullptr, 0), &a) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "pngmean") {
        RGBImage image;
        if (argc != 7 || !ReadPNG(argv[2], &image)) return Usage();
        return PrintMean(image, std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xtool: no display\n");
        return 1;
    }
    Screen* screen = DefaultScreenOfDisplay(display);
    if (command == "shot" && argc == 3) {
        const RGBImage image = Grab(display, 0, 0, WidthOfScreen(screen), HeightOfScreen(screen));
        return WritePNG(argv[2], image) ? 0 : 1;
    }
    if (command == "mean" && argc == 6) {
        const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), w = std::atoi(argv[4]), h = std::atoi(argv[5]);
        const RGBImage image = Grab(display, x, y, w, h);
        return PrintMean(image, 0, 0, image.width, image.height);
    }
    if (command == "window" && argc == 4) return KeepWindow(display, std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "exists" && argc == 3) return WindowExists(display, argv[2]);
    return Usage();
}
