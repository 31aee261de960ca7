#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h.
#include <mstcpip.h>

#include "link/system_socket.h"

namespace markwick::system_socket {

qintptr StartConnect(quint32 ipv4, quint16 port, int& error) {
  const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) {
    error = ::WSAGetLastError();
    return kNoDescriptor;
  }
  u_long non_blocking = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(ipv4);
  if (::ioctlsocket(s, FIONBIO, &non_blocking) != 0 ||
      (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
       ::WSAGetLastError() != WSAEWOULDBLOCK)) {
    error = ::WSAGetLastError();
    ::closesocket(s);
    return kNoDescriptor;
  }
  error = 0;
  return static_cast<qintptr>(s);
}

// WinSock reports a failed connect in select()'s exception set, and only after that select()
// does SO_ERROR reliably hold its number (Wine's reads 0 before it).
int ConnectOutcome(qintptr descriptor) {
  const SOCKET s = static_cast<SOCKET>(descriptor);
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval no_wait{};
  if (::select(0, nullptr, &writable, &failed, &no_wait) == SOCKET_ERROR) {
    return ::WSAGetLastError();
  }
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
    return ::WSAGetLastError();
  }
  if (FD_ISSET(s, &failed)) return error != 0 ? error : WSAENOTCONN;
  if (error != 0) return error;
  if (FD_ISSET(s, &writable)) return 0;
  return kStillConnecting;
}

void Close(qintptr descriptor) { ::closesocket(static_cast<SOCKET>(descriptor)); }

int SetKeepAlive(qintptr descriptor) {
  // Windows sends 10 probes before it gives up; their count cannot be set here.
  tcp_keepalive values{};
  values.onoff = 1;
  values.keepalivetime = 10000;
  values.keepaliveinterval = 2000;
  DWORD returned = 0;
  if (::WSAIoctl(static_cast<SOCKET>(descriptor), SIO_KEEPALIVE_VALS, &values, sizeof values,
                 nullptr, 0, &returned, nullptr, nullptr) != 0) {
    return ::WSAGetLastError();
  }
  return 0;
}

}  // namespace markwick::system_socket
