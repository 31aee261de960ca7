#include "link/turn_receiver.h"

#include "link/turn_framer.h"

namespace markwick {

qsizetype TurnReceiver::Room() const { return kTurnBufferSize - pending_.size(); }

TurnReceiver::Answer TurnReceiver::Take(QByteArrayView bytes, bool closed) {
  closed_ = closed_ || closed;
  const bool grew = !bytes.isEmpty();
  if (grew) {
    pending_ += bytes;
    quiet_ = false;  // they came within the quiet time
  }
  const qsizetype length = NextTurnLength(pending_, quiet_ || closed_);
  if (length == 0) return {std::nullopt, After(false, grew)};
  QByteArray message = pending_.first(length);
  pending_.remove(0, length);
  quiet_ = false;
  timing_ = false;
  // A line end after a turn would add nothing read with it: no message.
  const bool no_message = after_turn_ && HoldsNoItem(message);
  if (!no_message) after_turn_ = SixthCommaEnd(message) == length;
  Answer answer{std::nullopt, After(true, grew)};
  if (!no_message) answer.message = std::move(message);
  return answer;
}

TurnReceiver::Next TurnReceiver::After(bool message_taken, bool grew) {
  if (closed_ && pending_.isEmpty()) return Next::Done;
  if (message_taken && NextTurnLength(pending_, closed_) > 0) return Next::TakeAgain;
  // A remainder starts its quiet time when it is left after a message or grows; a time that
  // is running already goes on.
  if (!pending_.isEmpty() && (message_taken || grew || !timing_)) {
    timing_ = true;
    return Next::WaitQuietly;
  }
  return Next::Wait;
}

}  // namespace markwick
