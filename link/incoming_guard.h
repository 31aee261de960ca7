// What the listener lets in, by the peer's address: a genuine rival holds one connection and
// never sends a malformed message (its turns are joined whole however they are read). An
// address that sends malformed messages is cut off at the third, for as long as the link lives,
// over all its connections, so that no flood of bad messages, on one connection or many, at once
// or one after another, can bury the screen in boxes; and an address holds only a few
// connections open, so that it cannot queue up many behind the first to be read later.
#pragma once

#include <QHash>
#include <QHostAddress>

namespace markwick {

class IncomingGuard {
 public:
  static constexpr int kMostPerAddress = 4;
  static constexpr int kMalformedLimit = 3;

  // Whether a connection from `address`, which holds `held` open already, may be accepted.
  bool Admits(const QHostAddress& address, qsizetype held) const {
    return held < kMostPerAddress && !CutOff(address);
  }
  bool CutOff(const QHostAddress& address) const {
    return malformed_.value(address) >= kMalformedLimit;
  }
  // Counts a malformed message from `address`: true for the one that cuts it off.
  bool NoteMalformed(const QHostAddress& address) {
    return ++malformed_[address] == kMalformedLimit;
  }

 private:
  QHash<QHostAddress, int> malformed_;
};

}  // namespace markwick
