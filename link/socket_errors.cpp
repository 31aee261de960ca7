#include "link/socket_errors.h"

#include "link/system_errors.h"

namespace markwick {

namespace sys = system_errors;

QString ApiSocketErrorText(QStringView api, QStringView text, int code) {
  return QStringLiteral("'%1' API でWindows ソケットエラー: %2 (%3)")
      .arg(api, text, QString::number(code));
}

QString SystemCallErrorText(QStringView api, int error_number) {
  return ApiSocketErrorText(api, sys::ErrorText(error_number), error_number);
}

QString LookupErrorText(int resolver_code) {
  return ApiSocketErrorText(u"ASync Lookup", sys::ResolverText(resolver_code), resolver_code);
}

QString AsyncSocketErrorText(int error_number) {
  return QStringLiteral("非同期ソケットエラー %1").arg(error_number);
}

int ErrnoForSocketError(QAbstractSocket::SocketError error, bool sending) {
  using E = QAbstractSocket::SocketError;
  switch (error) {
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
      return sys::kConnectionRefused;
    case E::RemoteHostClosedError:
    case E::ProxyConnectionClosedError:
      return sys::kConnectionReset;
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
      return sys::kHostUnreachable;
    case E::SocketAccessError:
    case E::ProxyAuthenticationRequiredError:
      return sys::kAccessDenied;
    case E::SocketResourceError:
      return sys::kNoBufferSpace;
    case E::SocketTimeoutError:
    case E::ProxyConnectionTimeoutError:
      return sys::kTimedOut;
    case E::DatagramTooLargeError:
      return sys::kMessageTooLong;
    case E::AddressInUseError:
      return sys::kAddressInUse;
    case E::SocketAddressNotAvailableError:
      return sys::kAddressNotAvailable;
    case E::UnsupportedSocketOperationError:
      return sys::kNotSupported;
    case E::UnfinishedSocketOperationError:
      return sys::kInProgress;
    case E::TemporaryError:
      return sys::kWouldBlock;
    case E::OperationError:
      return sys::kInvalidArgument;
    case E::NetworkError:
      return sending ? sys::kSendFailed : sys::kNetworkDown;
    case E::SslHandshakeFailedError:
    case E::SslInternalError:
    case E::SslInvalidUserDataError:
    case E::ProxyProtocolError:
      return sys::kProtocolError;
    case E::UnknownSocketError:
      break;
  }
  return sys::kOtherError;
}

int ResolverCodeForLookup(QHostInfo::HostInfoError error) {
  if (error == QHostInfo::NoError) return EAI_NODATA;
  if (error == QHostInfo::HostNotFound) return sys::kResolverNoName;
  return sys::kResolverTryAgain;
}

}  // namespace markwick
