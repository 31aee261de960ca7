// What the link's error boxes say on this platform, for the tests: on Linux errno and resolver
// codes with the C locale's English texts; on Windows WinSock's numbers, whose texts come from
// the system in its own language (and are empty under Wine for some numbers).
#pragma once

#include <QString>
#include <QStringView>

#include "link/socket_errors.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace expected_errors {

// The system's number for a case: errno or the resolver's code on Linux, WinSock's on Windows.
constexpr int Code([[maybe_unused]] int on_linux, [[maybe_unused]] int on_windows) {
#ifdef _WIN32
  return on_windows;
#else
  return on_linux;
#endif
}

inline constexpr int kRefused = Code(111, 10061);
inline constexpr int kNetworkDown = Code(100, 10050);
inline constexpr int kNoBufferSpace = Code(105, 10055);

#ifdef _WIN32
// The texts come from the system, in its language: the product's own formatting is the
// expectation.
inline QString BindInUse() { return markwick::SystemCallErrorText(u"bind", WSAEADDRINUSE); }
inline QString SendReset() { return markwick::SystemCallErrorText(u"send", WSAECONNRESET); }
inline QString UnknownHost(const QString&) { return markwick::LookupErrorText(WSAHOST_NOT_FOUND); }
#else
inline QString BindInUse() {
  return QStringLiteral("'bind' API でWindows ソケットエラー: Address already in use (98)");
}
inline QString SendReset() {
  return QStringLiteral("'send' API でWindows ソケットエラー: Connection reset by peer (104)");
}
// The resolver's own answer on this machine: "Name or service not known" (-2) where a name
// service answers, "Temporary failure in name resolution" (-3) where none is set up.
inline QString UnknownHost(const QString& host) {
  addrinfo* found = nullptr;
  const int code = getaddrinfo(host.toLatin1().constData(), nullptr, nullptr, &found);
  if (found != nullptr) freeaddrinfo(found);
  if (code != EAI_NONAME && code != EAI_AGAIN) return QStringLiteral("unexpected resolver code");
  return QStringLiteral("'ASync Lookup' API でWindows ソケットエラー: %1 (%2)")
      .arg(QString::fromLocal8Bit(gai_strerror(code)))
      .arg(code);
}
#endif

// Makes closing the socket reset the connection (SO_LINGER with no time).
inline bool ResetOnClose(qintptr descriptor) {
  const linger reset{1, 0};
#ifdef _WIN32
  return setsockopt(static_cast<SOCKET>(descriptor), SOL_SOCKET, SO_LINGER,
                    reinterpret_cast<const char*>(&reset), sizeof reset) == 0;
#else
  return setsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_LINGER, &reset, sizeof reset) == 0;
#endif
}

// Waits until the socket has something to read (data, end or reset): true, or false after ms.
inline bool WaitReadable(qintptr descriptor, int ms) {
#ifdef _WIN32
  WSAPOLLFD ready{static_cast<SOCKET>(descriptor), POLLIN, 0};
  return WSAPoll(&ready, 1, ms) == 1;
#else
  pollfd ready{static_cast<int>(descriptor), POLLIN, 0};
  return poll(&ready, 1, ms) == 1;
#endif
}

}  // namespace expected_errors
