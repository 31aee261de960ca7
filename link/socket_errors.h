// The texts of the link's error boxes, with the operating system's error numbers and texts.
//
// Qt reports socket failures as its own error kinds; the boxes show the system's error number
// and text, so each kind is mapped back to the error number it stands for (errno on Linux,
// WinSock's on Windows) and a failed name lookup to the resolver's EAI_* code (WinSock's 11001
// and neighbours on Windows).
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

// The system's error number that a Qt socket error stands for. `qt_text` (the socket's errorString)
// tells apart the causes that Qt reports under one kind, such as NetworkError.
int ErrnoForSocketError(QAbstractSocket::SocketError error, QStringView qt_text = {});

// The resolver's code (EAI_*) for a lookup that gave no IPv4 address: its failure, or EAI_NODATA
// for a name that has IPv6 addresses only (NoError).
int ResolverCodeForLookup(QHostInfo::HostInfoError error, QStringView qt_text = {});

}  // namespace markwick
