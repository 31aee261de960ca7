// The texts of the link's error boxes, with the operating system's error numbers and texts.
//
// Qt reports socket failures as its own error kinds; the boxes show the system's error number
// and text, so each kind is mapped to the error number it stands for (errno on Linux, WinSock's
// on Windows) and a failed name lookup to the resolver's EAI_* code (WinSock's 11001 and
// neighbours on Windows). The texts are the system's own (strerror, FormatMessageW), never Qt's.
// Where Qt files several causes under one kind (a failed connect), the link makes the call
// itself and has the system's number (system_socket.h).
#pragma once

#include <QAbstractSocket>
#include <QHostInfo>
#include <QString>
#include <QStringView>

namespace markwick {

// "'<api>' API でWindows ソケットエラー: <text> (<code>)": a failed call of a system operation.
QString ApiSocketErrorText(QStringView api, QStringView text, int code);

// The same with the system's text of `error_number` (strerror; FormatMessageW on Windows).
QString SystemCallErrorText(QStringView api, int error_number);

// The same for a failed name lookup: "ASync Lookup" with the resolver's code and text.
QString LookupErrorText(int resolver_code);

// "非同期ソケットエラー <errno>": an error reported by a connection event.
QString AsyncSocketErrorText(int error_number);

// The system's error number that a Qt socket error stands for; `sending` when a send brought it
// (Qt on Windows reports a reset or aborted connection there as a NetworkError).
int ErrnoForSocketError(QAbstractSocket::SocketError error, bool sending = false);

// The resolver's code (EAI_*) for a lookup that gave no IPv4 address: a name it does not know
// (HostNotFound), no answer from the name service (any other failure), or EAI_NODATA for a name
// that has IPv6 addresses only (NoError).
int ResolverCodeForLookup(QHostInfo::HostInfoError error);

}  // namespace markwick
