// The few socket calls the link makes itself, on the system's own descriptors, so that their
// failures come with the system's error number (errno; WinSock's on Windows): the outgoing
// connect, which Qt would report under one kind for several causes, and the keep-alive
// options, which Qt cannot set.
#pragma once

#include <QtGlobal>

namespace markwick::system_socket {

inline constexpr qintptr kNoDescriptor = -1;

// A non-blocking TCP socket that starts connecting to the IPv4 address `ipv4` (host order),
// `port`: its descriptor, or kNoDescriptor with the error number in `error`. `error` is 0 once
// the connect is under way or done; the socket becomes writable when it has ended.
qintptr StartConnect(quint32 ipv4, quint16 port, int& error);

// The outcome of a connect that has ended (the socket became writable): 0 when connected, else
// the system's error number. A connect still under way gives kStillConnecting.
inline constexpr int kStillConnecting = -1;
int ConnectOutcome(qintptr descriptor);

void Close(qintptr descriptor);

// TCP keep-alive on a connection, with probes so frequent that a peer that no longer answers
// (a host gone to sleep, a cable pulled) is seen within about 30 seconds: idle 10 seconds, then
// probes 5 seconds apart, the fourth unanswered one ending it (Windows sends 10 probes, 2
// seconds apart). On Linux sent bytes left unacknowledged for 30 seconds end it too. 0, or the
// error number of the call that failed.
int SetKeepAlive(qintptr descriptor);

}  // namespace markwick::system_socket
