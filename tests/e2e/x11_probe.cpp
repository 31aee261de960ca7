// What the end-to-end script needs from the X server beyond xdotool:
//
//   x11_probe close WINDOW            asks the window to close, as a window manager's close
//                                     button does (WM_PROTOCOLS / WM_DELETE_WINDOW)
//   x11_probe count red|blue X Y W H  prints how many pixels of the screen rectangle are
//                                     clearly of that hue: the channel exceeds each of the
//                                     other two by at least 96 (antialiased coloured text
//                                     on grey has few pixels of the exact colour)
//
// The display is taken from DISPLAY. Exit status 0 on success, 1 on a failure, 2 on bad use.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

int Usage() {
  std::fputs("usage: x11_probe close WINDOW | count red|blue X Y W H\n", stderr);
  return 2;
}

bool ParseLong(const char* text, int base, long* out) {
  char* end = nullptr;
  *out = std::strtol(text, &end, base);
  return end != text && *end == '\0';
}

int Close(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  if (XSendEvent(display, window, False, NoEventMask, &event) == 0) return 1;
  XSync(display, False);
  return 0;
}

int CountHue(Display* display, bool red, int x, int y, unsigned w, unsigned h) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap);
  if (image == nullptr) return 1;
  // A true-colour screen: the masks tell where red, green and blue lie in a pixel.
  const auto channel = [](unsigned long pixel, unsigned long mask) {
    unsigned long value = pixel & mask;
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      value >>= 1;
    }
    return value;
  };
  long matches = 0;
  for (unsigned row = 0; row < h; ++row) {
    for (unsigned col = 0; col < w; ++col) {
      const unsigned long pixel = XGetPixel(image, static_cast<int>(col), static_cast<int>(row));
      const long r = static_cast<long>(channel(pixel, image->red_mask));
      const long g = static_cast<long>(channel(pixel, image->green_mask));
      const long b = static_cast<long>(channel(pixel, image->blue_mask));
      const long mine = red ? r : b;
      const long other = red ? b : r;
      if (mine - g >= 96 && mine - other >= 96) ++matches;
    }
  }
  XDestroyImage(image);
  std::printf("%ld\n", matches);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) return Usage();
  const std::string_view command = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("x11_probe: cannot open the display\n", stderr);
    return 1;
  }
  int status = 2;
  long a = 0, x = 0, y = 0, w = 0, h = 0;
  if (command == "close" && argc == 3 && ParseLong(argv[2], 0, &a)) {
    status = Close(display, static_cast<Window>(a));
  } else if (command == "count" && argc == 7 &&
             (std::string_view(argv[2]) == "red" || std::string_view(argv[2]) == "blue") &&
             ParseLong(argv[3], 10, &x) && ParseLong(argv[4], 10, &y) &&
             ParseLong(argv[5], 10, &w) && ParseLong(argv[6], 10, &h) && w > 0 && h > 0) {
    status = CountHue(display, std::string_view(argv[2]) == "red", static_cast<int>(x),
                      static_cast<int>(y), static_cast<unsigned>(w), static_cast<unsigned>(h));
  } else {
    status = Usage();
  }
  XCloseDisplay(display);
  return status;
}
