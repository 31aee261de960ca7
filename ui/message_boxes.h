// The program's modal boxes. They stand in the middle of the screen (never over a window) and
// carry the application title as caption; the message box and the error box have a single OK
// button: the message box, without icon, for results, refusals and the state dump; the error
// box, with the stop icon, for every failure that a handler raises.
#pragma once

#include <QString>

namespace markwick {

// The title of a program from its executable's file name: the name up to its first ".", the
// first character unchanged and the rest in lower case ("Markwick.exe" gives "Markwick").
QString TitleFromFileName(const QString& file_name);
// The title of the running program.
QString ApplicationTitle();

// The error box's text for a failure's message: a full stop is appended when the message's last
// character has a greater code than "." (a digit, a letter, a Japanese character).
QString WithFullStop(const QString& message);

// Both return when the user has closed the box. Texts are shown as plain text.
void ShowMessageBox(const QString& text);
void ShowErrorBox(const QString& message);
// The question box, centred and captioned alike, with the question icon and the buttons "はい"
// and "いいえ": true for "はい"; a box closed otherwise is "いいえ".
bool AskYesNo(const QString& text);

}  // namespace markwick
