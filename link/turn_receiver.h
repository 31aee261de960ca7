// The receiving end of one incoming connection, without its socket: the bytes read from it
// and not yet taken as messages, and whether the rival has closed it. The link feeds it what it
// reads and does what the answer says; the cutting itself is turn_framer.h's.
//
// A remainder without six commas waits for more bytes; once nothing has arrived for the quiet
// time it is taken as it is. On a closed connection nothing more can arrive: its rest is taken
// at once.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace markwick {

class TurnReceiver {
 public:
  // What the link does next for this connection.
  enum class Next {
    Wait,         // nothing to take until more bytes arrive; a quiet time running goes on
    WaitQuietly,  // a remainder waits: (re)start the quiet time, then call QuietTimeOver()
    TakeAgain,    // another message is there already: take it in a handler call of its own
    Done,         // closed, and everything it brought has been taken
  };
  struct Answer {
    std::optional<QByteArray> message;  // the next message, if one was taken
    Next next = Next::Wait;

    bool operator==(const Answer&) const = default;
  };

  // How many bytes the link may read from the connection for the next Take().
  qsizetype Room() const;
  // Takes `bytes` just read (at most Room()) and whether the connection is closed, and answers
  // with the next message, if any, and what comes next.
  Answer Take(QByteArrayView bytes, bool closed);
  // The quiet time ran out with nothing new: the next Take() hands the remainder over as it is.
  void QuietTimeOver() {
    quiet_ = true;
    timing_ = false;
  }
  // Bytes read and not yet taken.
  bool HoldsBytes() const { return !pending_.isEmpty(); }

 private:
  Next After(bool message_taken, bool grew);

  QByteArray pending_;
  bool closed_ = false;
  bool quiet_ = false;       // the remainder has waited its time
  bool timing_ = false;      // a quiet time is running for the remainder
  bool after_turn_ = false;  // the bytes taken last ended at a sixth comma
};

}  // namespace markwick
