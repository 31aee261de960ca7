// Starts a program and measures the time until its window with a given title is first painted
// whole on the X display, with the program's CPU time and resident memory at that moment.
// Prints "<ms to mapped> <ms to painted> <CPU ms> <KiB resident>".
//
//   wait_painted TITLE PROGRAM [ARGS...]
//
// Painted means: the drawing the window received since it was mapped (X Damage rectangles)
// covers all of it, which is the first frame a user sees whole. Damage is tracked on every
// top-level window from its creation on, before the program can map or draw it, so no drawing
// is missed and no polling interval blurs the figure. At that moment the program is stopped,
// its resident memory read, and then it is ended: its CPU time (all threads) comes from wait4.
//
// With WAIT_PAINTED_TERM=1 it is ended by SIGTERM instead of SIGKILL, so that a program run
// under valgrind writes its profile; the CPU time then is that of the run under valgrind.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string WindowName(Display* display, Window window) {
  const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    std::string name(reinterpret_cast<char*>(data), count);
    XFree(data);
    return name;
  }
  return {};
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// The pixels of a window that drawing has reached so far.
class Coverage {
 public:
  void Reset(int width, int height) {
    width_ = width;
    height_ = height;
    left_ = static_cast<long>(width) * height;
    seen_.assign(static_cast<size_t>(left_), false);
  }
  void Add(int x, int y, int w, int h) {
    for (int row = std::max(0, y); row < std::min(height_, y + h); ++row) {
      for (int col = std::max(0, x); col < std::min(width_, x + w); ++col) {
        const size_t at =
            static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(col);
        if (!seen_[at]) {
          seen_[at] = true;
          --left_;
        }
      }
    }
  }
  bool Whole() const { return width_ > 0 && left_ == 0; }

 private:
  int width_ = 0;
  int height_ = 0;
  long left_ = 0;
  std::vector<bool> seen_;
};

int ErrorIgnored(Display*, XErrorEvent*) { return 0; }  // windows may vanish before DamageCreate

pid_t child = 0;

void GiveUp(int) {
  if (child > 0) kill(child, SIGKILL);
  const char why[] = "wait_painted: no painted window in time\n";
  [[maybe_unused]] const ssize_t written = write(2, why, sizeof why - 1);
  _exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: wait_painted TITLE PROGRAM [ARGS...]\n");
    return 2;
  }
  const char* term = std::getenv("WAIT_PAINTED_TERM");
  const bool by_term = term != nullptr && std::strcmp(term, "1") == 0;
  // A server that does not answer ends the measurement instead of holding it up.
  signal(SIGALRM, GiveUp);
  alarm(60);
  // A busy server may turn a connection away now and then: try again (before the clock starts).
  Display* display = XOpenDisplay(nullptr);
  for (int tries = 0; display == nullptr && tries < 50; ++tries) {
    usleep(20000);
    display = XOpenDisplay(nullptr);
  }
  if (display == nullptr) {
    std::fprintf(stderr, "wait_painted: no display\n");
    return 2;
  }
  int damage_event = 0, damage_error = 0;
  if (!XDamageQueryExtension(display, &damage_event, &damage_error)) {
    std::fprintf(stderr, "wait_painted: the display has no Damage extension\n");
    return 2;
  }
  XSetErrorHandler(ErrorIgnored);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  child = pid;
  alarm(600);
  const bool debug = std::getenv("WAIT_PAINTED_DEBUG") != nullptr;
  const std::string title = argv[1];
  const auto ms_since_start = [&] {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  };
  Window target = None;
  double mapped_ms = 0;
  Coverage coverage;
  for (;;) {
    // The events wake the wait at once; the timeout only notices a program that has ended.
    if (XPending(display) == 0) {
      pollfd connection{ConnectionNumber(display), POLLIN, 0};
      poll(&connection, 1, 100);
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::fprintf(stderr, "wait_painted: %s ended before its window was painted\n", argv[2]);
        return 1;
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == CreateNotify) {
      XDamageCreate(display, event.xcreatewindow.window, XDamageReportRawRectangles);
      XFlush(display);
    } else if (event.type == MapNotify && target == None &&
               WindowName(display, event.xmap.window) == title) {
      mapped_ms = ms_since_start();
      target = event.xmap.window;
      XWindowAttributes attributes;
      XGetWindowAttributes(display, target, &attributes);
      coverage.Reset(attributes.width, attributes.height);
    } else if (event.type == damage_event + XDamageNotify) {
      const auto& damage = *reinterpret_cast<XDamageNotifyEvent*>(&event);
      if (damage.drawable != target) continue;
      if (debug) {
        std::fprintf(stderr, "%.1f ms: damage %d,%d %dx%d\n", ms_since_start(), damage.area.x,
                     damage.area.y, damage.area.width, damage.area.height);
      }
      coverage.Add(damage.area.x, damage.area.y, damage.area.width, damage.area.height);
      if (coverage.Whole()) break;
    }
  }
  const double painted_ms = ms_since_start();
  kill(pid, SIGSTOP);
  const long kib = ResidentKiB(pid);
  if (by_term) {
    kill(pid, SIGTERM);
    kill(pid, SIGCONT);
  } else {
    kill(pid, SIGKILL);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  std::printf("%.1f %.1f %.1f %ld\n", mapped_ms, painted_ms, cpu_ms, kib);
  XCloseDisplay(display);
  return 0;
}
