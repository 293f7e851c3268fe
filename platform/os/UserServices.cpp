#include "platform/os/UserServices.h"

#include <mutex>

namespace tv {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}
BeepHandler& CurrentBeep() {
  static BeepHandler handler;
  return handler;
}
MessageBoxHandler& CurrentMessageBox() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

BeepHandler SetBeepHandler(BeepHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  std::swap(CurrentBeep(), handler);
  return handler;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  std::swap(CurrentMessageBox(), handler);
  return handler;
}

void Beep(unsigned frequencyHz, unsigned durationMs) {
  BeepHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = CurrentBeep();
  }
  if (handler) handler(frequencyHz, durationMs);
}

void MessageBox(const std::string& text, const std::string& caption) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = CurrentMessageBox();
  }
  if (handler) handler(text, caption);
}

}  // namespace tv
