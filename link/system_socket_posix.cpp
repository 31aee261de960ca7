#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "link/system_socket.h"

namespace markwick::system_socket {

qintptr StartConnect(quint32 ipv4, quint16 port, int& error) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = errno;
    return kNoDescriptor;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(ipv4);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    error = errno;
    ::close(fd);
    return kNoDescriptor;
  }
  error = 0;
  return fd;
}

int ConnectOutcome(qintptr descriptor) {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
    return errno;
  }
  if (error != 0) return error;
  sockaddr_in peer{};
  socklen_t peer_size = sizeof peer;
  if (::getpeername(static_cast<int>(descriptor), reinterpret_cast<sockaddr*>(&peer), &peer_size) !=
      0) {
    return errno == ENOTCONN ? kStillConnecting : errno;
  }
  return 0;
}

void Close(qintptr descriptor) { ::close(static_cast<int>(descriptor)); }

int SetKeepAlive(qintptr descriptor) {
  const int fd = static_cast<int>(descriptor);
  const int on = 1;
  const int idle_seconds = 10;
  const int interval_seconds = 5;
  const int probes = 4;
  const unsigned int unacknowledged_ms = 30000;
  if (::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0 ||
      ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle_seconds, sizeof idle_seconds) != 0 ||
      ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval_seconds, sizeof interval_seconds) !=
          0 ||
      ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) != 0 ||
      ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledged_ms,
                   sizeof unacknowledged_ms) != 0) {
    return errno;
  }
  return 0;
}

}  // namespace markwick::system_socket
