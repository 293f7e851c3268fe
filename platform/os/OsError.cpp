#include "platform/os/OsError.h"

#include <cerrno>
#include <string_view>

#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

thread_local int tLastError = 0;

struct ErrnoPair {
  int err;
  int win;
};

constexpr ErrnoPair kErrnoMap[] = {
    {0, kErrorSuccess},
    {ENOENT, kErrorFileNotFound},
    {ENOTDIR, kErrorPathNotFound},
    {EACCES, kErrorAccessDenied},
    {EPERM, kErrorAccessDenied},
    {EISDIR, kErrorAccessDenied},
    {EROFS, kErrorWriteProtect},
    {ETXTBSY, kErrorSharingViolation},
    {EBUSY, kErrorSharingViolation},
    {EAGAIN, kErrorLockViolation},
    {EDEADLK, kErrorLockViolation},
    {EEXIST, kErrorFileExists},
    {ENOSPC, kErrorDiskFull},
    {EDQUOT, kErrorDiskFull},
    {EFBIG, kErrorFileTooLarge},
    {ENAMETOOLONG, kErrorFilenameExcedRange},
    {EILSEQ, kErrorInvalidName},
    {EINVAL, kErrorInvalidParameter},
    {EMFILE, kErrorTooManyOpenFiles},
    {ENFILE, kErrorTooManyOpenFiles},
    {ENOMEM, kErrorNotEnoughMemory},
    {EBADF, kErrorInvalidHandle},
    {ENOTEMPTY, kErrorDirNotEmpty},
    {EXDEV, kErrorNotSameDevice},
    {EIO, kErrorIoDevice},
    {ETIMEDOUT, kErrorTimeout},
    {ENOSYS, kErrorNotSupported},
    {EOPNOTSUPP, kErrorNotSupported},
    {EOVERFLOW, kErrorBufferOverflow},
    {ELOOP, kErrorInvalidName},
};

struct MessagePair {
  int code;
  const std::string& text;
};

const MessagePair* Messages(std::size_t& count) {
  static const MessagePair kMessages[] = {
      {0, "Операция успешно завершена"_w},
      {1, "Неверная функция"_w},
      {2, "Не удается найти указанный файл"_w},
      {3, "Системе не удается найти указанный путь"_w},
      {4, "Системе не удается открыть файл"_w},
      {5, "Отказано в доступе"_w},
      {6, "Неверный дескриптор"_w},
      {8, "Недостаточно памяти для обработки команды"_w},
      {17, "Система не может переместить файл на другой диск"_w},
      {18, "Больше файлов нет"_w},
      {19, "Носитель защищен от записи"_w},
      {31, "Присоединенное к системе устройство не работает"_w},
      {32, "Процесс не может получить доступ к файлу, так как этот файл занят другим процессом"_w},
      {33,
       "Процесс не может получить доступ к файлу, так как часть этого файла заблокирована "
       "другим процессом"_w},
      {39, "Диск заполнен"_w},
      {50, "Запрос не поддерживается"_w},
      {80, "Файл существует"_w},
      {87, "Параметр задан неверно"_w},
      {111, "Слишком длинное имя файла"_w},
      {112, "Недостаточно места на диске"_w},
      {122, "Область данных, переданная по системному вызову, слишком мала"_w},
      {123, "Синтаксическая ошибка в имени файла, имени папки или метке тома"_w},
      {145, "Папка не пуста"_w},
      {183, "Невозможно создать файл, так как он уже существует"_w},
      {206, "Имя файла или его расширение имеет недопустимую длину"_w},
      {223, "Размер файла превышает допустимый предел, и файл не может быть сохранен"_w},
      {258, "Время ожидания операции истекло"_w},
      {288, "Попытка освободить мьютекс, не принадлежащий вызывающему объекту"_w},
      {1117, "Запрос не был выполнен из-за ошибки ввода/вывода на устройстве"_w},
      {1460, "Операция возвратилась из-за превышения времени ожидания"_w},
  };
  count = sizeof kMessages / sizeof kMessages[0];
  return kMessages;
}

}  // namespace

int GetLastError() { return tLastError; }

void SetLastError(int winError) { tLastError = winError; }

int ErrnoToWinError(int err) {
  for (const ErrnoPair& p : kErrnoMap)
    if (p.err == err) return p.win;
  return kErrorGenFailure;
}

int SetLastErrorFromErrno(int err) {
  tLastError = ErrnoToWinError(err);
  return tLastError;
}

std::string SysErrorMessage(int winError) {
  std::size_t count = 0;
  const MessagePair* table = Messages(count);
  for (std::size_t i = 0; i < count; ++i)
    if (table[i].code == winError) return table[i].text;
  return {};
}

void RaiseLastOSError(int winError) {
  if (winError == 0) throw EOSError("A call to an OS function failed");
  throw EOSError("System Error.  Code: " + std::to_string(winError) + ".\r\n" +
                 SysErrorMessage(winError));
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

}  // namespace tv
