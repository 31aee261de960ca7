#include "link/socket_errors.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace markwick {

QString ApiSocketErrorText(QStringView api, QStringView text, int code) {
  return QStringLiteral("'%1' API でWindows ソケットエラー: %2 (%3)")
      .arg(api, text, QString::number(code));
}

QString SystemCallErrorText(QStringView api, int error_number) {
  return ApiSocketErrorText(api, QString::fromLocal8Bit(std::strerror(error_number)), error_number);
}

QString LookupErrorText(int resolver_code) {
  return ApiSocketErrorText(u"ASync Lookup", QString::fromLocal8Bit(gai_strerror(resolver_code)),
                            resolver_code);
}

QString AsyncSocketErrorText(int error_number) {
  return QStringLiteral("非同期ソケットエラー %1").arg(error_number);
}

int ErrnoForSocketError(QAbstractSocket::SocketError error, QStringView qt_text) {
  using E = QAbstractSocket::SocketError;
  switch (error) {
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
      return ECONNREFUSED;
    case E::RemoteHostClosedError:
    case E::ProxyConnectionClosedError:
      return ECONNRESET;
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
      return EHOSTUNREACH;
    case E::SocketAccessError:
    case E::ProxyAuthenticationRequiredError:
      return EACCES;
    case E::SocketResourceError:
      return ENOBUFS;
    case E::SocketTimeoutError:
    case E::ProxyConnectionTimeoutError:
      return ETIMEDOUT;
    case E::DatagramTooLargeError:
      return EMSGSIZE;
    case E::AddressInUseError:
      return EADDRINUSE;
    case E::SocketAddressNotAvailableError:
      return EADDRNOTAVAIL;
    case E::UnsupportedSocketOperationError:
      return EOPNOTSUPP;
    case E::UnfinishedSocketOperationError:
      return EINPROGRESS;
    case E::TemporaryError:
      return EAGAIN;
    case E::OperationError:
      return EINVAL;
    case E::NetworkError:
      // Qt files several connect failures under NetworkError; its text names the cause.
      if (qt_text.contains(u"timed out", Qt::CaseInsensitive)) return ETIMEDOUT;
      if (qt_text.contains(u"Host unreachable", Qt::CaseInsensitive)) return EHOSTUNREACH;
      if (qt_text.contains(u"Network unreachable", Qt::CaseInsensitive)) return ENETUNREACH;
      if (qt_text.contains(u"already in use", Qt::CaseInsensitive)) return EADDRINUSE;
      return ENETDOWN;
    case E::SslHandshakeFailedError:
    case E::SslInternalError:
    case E::SslInvalidUserDataError:
    case E::ProxyProtocolError:
      return EPROTO;
    case E::UnknownSocketError:
      break;
  }
  return EIO;
}

int ResolverCodeForLookup(QHostInfo::HostInfoError error, QStringView qt_text) {
  if (error == QHostInfo::HostNotFound) return EAI_NONAME;
  // Other resolver failures come with the resolver's own text: find the code that has it.
  for (int code : {EAI_AGAIN, EAI_FAIL, EAI_MEMORY, EAI_SYSTEM, EAI_NODATA, EAI_ADDRFAMILY,
                   EAI_FAMILY, EAI_SERVICE, EAI_SOCKTYPE, EAI_BADFLAGS, EAI_OVERFLOW}) {
    if (qt_text == QString::fromLocal8Bit(gai_strerror(code))) return code;
  }
  return EAI_FAIL;
}

}  // namespace markwick
