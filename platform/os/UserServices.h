#pragma once
// The few user-interface services of Windows that the system touches: the
// speaker beep and the message box. Linux has neither here, so each goes to
// a handler that the library installs (it logs them); without a handler they
// do nothing.

#include <functional>
#include <string>

namespace tv {

using BeepHandler = std::function<void(unsigned frequencyHz, unsigned durationMs)>;
using MessageBoxHandler = std::function<void(const std::string& text, const std::string& caption)>;

// Installs a handler; returns the previous one.
BeepHandler SetBeepHandler(BeepHandler handler);
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

void Beep(unsigned frequencyHz, unsigned durationMs);
void MessageBox(const std::string& text, const std::string& caption);

}  // namespace tv
