// The operating system's socket error numbers and texts: errno and the resolver's EAI_* codes
// with strerror and gai_strerror on Linux; WinSock's numbers (10061 refused, 11001 host not
// found...) with the texts of FormatMessageW, in the system's language, on Windows.
#pragma once

#include <QString>
#include <QStringView>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>

#include <cerrno>
#endif

namespace markwick::system_errors {

#ifdef _WIN32
inline constexpr int kConnectionRefused = WSAECONNREFUSED;
inline constexpr int kConnectionReset = WSAECONNRESET;
inline constexpr int kHostUnreachable = WSAEHOSTUNREACH;
inline constexpr int kNetworkUnreachable = WSAENETUNREACH;
inline constexpr int kNetworkDown = WSAENETDOWN;
inline constexpr int kAccessDenied = WSAEACCES;
inline constexpr int kNoBufferSpace = WSAENOBUFS;
inline constexpr int kTimedOut = WSAETIMEDOUT;
inline constexpr int kMessageTooLong = WSAEMSGSIZE;
inline constexpr int kAddressInUse = WSAEADDRINUSE;
inline constexpr int kAddressNotAvailable = WSAEADDRNOTAVAIL;
inline constexpr int kNotSupported = WSAEOPNOTSUPP;
inline constexpr int kInProgress = WSAEINPROGRESS;
inline constexpr int kWouldBlock = WSAEWOULDBLOCK;
inline constexpr int kInvalidArgument = WSAEINVAL;
// WinSock has no protocol or plain I/O error: a connection the own side gave up, and a failed
// system call, are the nearest.
inline constexpr int kProtocolError = WSAECONNABORTED;
inline constexpr int kOtherError = WSASYSCALLFAILURE;
// What Qt calls a NetworkError on sending: WinSock's reset or aborted connection.
inline constexpr int kSendFailed = WSAECONNRESET;
#else
inline constexpr int kConnectionRefused = ECONNREFUSED;
inline constexpr int kConnectionReset = ECONNRESET;
inline constexpr int kHostUnreachable = EHOSTUNREACH;
inline constexpr int kNetworkUnreachable = ENETUNREACH;
inline constexpr int kNetworkDown = ENETDOWN;
inline constexpr int kAccessDenied = EACCES;
inline constexpr int kNoBufferSpace = ENOBUFS;
inline constexpr int kTimedOut = ETIMEDOUT;
inline constexpr int kMessageTooLong = EMSGSIZE;
inline constexpr int kAddressInUse = EADDRINUSE;
inline constexpr int kAddressNotAvailable = EADDRNOTAVAIL;
inline constexpr int kNotSupported = EOPNOTSUPP;
inline constexpr int kInProgress = EINPROGRESS;
inline constexpr int kWouldBlock = EAGAIN;
inline constexpr int kInvalidArgument = EINVAL;
inline constexpr int kProtocolError = EPROTO;
inline constexpr int kOtherError = EIO;
// What Qt calls a NetworkError on sending: the send failed otherwise than by a reset, which Qt
// tells apart (RemoteHostClosedError).
inline constexpr int kSendFailed = ENETDOWN;
#endif

// The resolver's code for a name it does not know (EAI_NONAME; WSAHOST_NOT_FOUND on Windows),
// and for a name service that did not answer (EAI_AGAIN; WSATRY_AGAIN).
inline constexpr int kResolverNoName = EAI_NONAME;
inline constexpr int kResolverTryAgain = EAI_AGAIN;

// The system's text for a socket error number, without a trailing line break; may be empty
// where the system has none (Wine, for some WinSock numbers).
QString ErrorText(int code);

// The resolver's text for one of its codes.
QString ResolverText(int code);

}  // namespace markwick::system_errors
