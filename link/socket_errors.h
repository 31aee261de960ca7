// The texts of the link's error boxes, with the operating system's error numbers and texts.
//
// Qt reports socket failures as its own error kinds; the boxes show the system's error number
// and text, so each kind is mapped back to the errno it stands for (and a failed name lookup to
// the resolver's EAI_* code).
#pragma once

#include <QAbstractSocket>
#include <QHostInfo>
#include <QString>
#include <QStringView>

namespace markwick {

// "'<api>' API でWindows ソケットエラー: <text> (<code>)": a failed call of a system operation.
QString ApiSocketErrorText(QStringView api, QStringView text, int code);

// The same with the text of errno `error_number` (strerror).
QString SystemCallErrorText(QStringView api, int error_number);

// The same for a failed name lookup: "ASync Lookup" with the resolver's code and text.
QString LookupErrorText(int resolver_code);

// "非同期ソケットエラー <errno>": an error reported by a connection event.
QString AsyncSocketErrorText(int error_number);

// The errno that a Qt socket error stands for. `qt_text` (the socket's errorString) tells
// apart the causes that Qt reports under one kind, such as NetworkError.
int ErrnoForSocketError(QAbstractSocket::SocketError error, QStringView qt_text = {});

// The resolver's code (EAI_*) for a failed QHostInfo lookup.
int ResolverCodeForLookup(QHostInfo::HostInfoError error, QStringView qt_text = {});

}  // namespace markwick
