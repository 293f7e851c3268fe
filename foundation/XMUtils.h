#pragma once
// General utility routines of the library and the small string routines of
// the HTML engine and the report builders.
//
//  - AmountInWords: a money amount in Russian words for invoices;
//  - MakeContextException: the context chain "outer -> inner -> message"
//    of every error handler, with the class tag " <# EClass #>" once;
//  - DateTimeToDBStr: date-time literals for SQL text (year-month-day);
//  - CreateGlobalMutex / CreateGlobalFileMapping: machine-wide objects
//    open to every account;
//  - FastStringReplace, ReadCnfIniValue, VariantToDebugStr;
//  - ReverseStr, LastPos, NthPos, PosFrom, ExtractNumberPrefix, NoBr.
// Texts are Windows-1251; positions are 1-based with 0 for "none".

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/text/FormatSettings.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/SharedMemory.h"
#include "platform/SysUtils.h"
#include "platform/data/Variant.h"

namespace tv {

// The settings of SQL texts: the process default with short and long date
// "yyyy/mm/dd", short and long time "hh:nn:ss.zzz", date separator '-',
// time separator ':', decimal separator '.'. Built once, read-only after.
const TFormatSettings& DBFormatSettings();

// The amount in words: "Двенадцать тысяч триста сорок пять рублей 67
// копеек " (every word, the two kopeck digits included, followed by one
// blank; the first letter capitalised). The sign is dropped. Amounts of
// 1 000 000 000 and more, and values that are no number, give
// "*************************" (25 asterisks); it never raises.
std::string AmountInWords(long double amount);

// A new exception of e's class (tv::Exception for other exceptions) with
// the message context + " -> " + e's message, plus " <# " + class name +
// " #>" when addClassName and the message holds no " <# " yet. The caller
// raises it: catch (const Exception& e) { MakeContextException(e, "Ctx")->Raise(); }
std::unique_ptr<Exception> MakeContextException(const std::exception& e, std::string_view context,
                                                bool addClassName = true);

// "2012-05-31 08:00:00" or, with milliseconds, "2012-05-31 08:00:00.000".
std::string DateTimeToDBStr(bool withMs, TDateTime v);

// A machine-wide mutex, not owned, under "Global\" + name, else under the
// plain name. lastError receives the last-error code right after the
// creation (183 when the mutex existed already). On failure raises
// Exception "СозданиеМьютекса -> Ошибка создания объекта "мьютекс": <system
// text> <# Exception #>".
std::unique_ptr<NamedMutex> CreateGlobalMutex(const std::string& name, int* lastError = nullptr);

// A machine-wide read-write block of `size` bytes (the paging-file-backed
// mapping of the original; Linux has no other kind to offer), named as
// CreateGlobalMutex names its mutex. Failure: "СозданиеFileMapping ->
// Ошибка создания объекта "FileMapping": <system text> <# Exception #>".
std::unique_ptr<SharedMemory> CreateGlobalFileMapping(const std::string& name, uint64_t size,
                                                      int* lastError = nullptr);

// StringReplace with the flags rfReplaceAll and rfIgnoreCase: left to right,
// matches do not overlap, characters are copied from s unchanged.
std::string FastStringReplace(std::string_view s, std::string_view oldPattern,
                              std::string_view newPattern, int flags);

// One value of cnf.ini in the Windows folder, read through TSafeIniFile;
// a value stored between backticks comes back without them. Errors of the
// INI file pass on.
std::string ReadCnfIniValue(const std::string& section, const std::string& ident,
                            const std::string& def);

// Debug rendering for the request log: "str:" + hex of a text; "varar:" +
// hex of each element's rendering, joined by "#", for a 1-D array of
// variants; "raw:" + the four words of the 16-byte variant record as
// "00000003#00000000#00000005#00000000" for numbers, dates, Booleans and
// Empty; "" for anything else (Null, other arrays).
std::string VariantToDebugStr(const Variant& v);

std::string ReverseStr(std::string_view s);
// Position of the last occurrence of sub in s.
int LastPos(std::string_view sub, std::string_view s);
// Position of sub in s searching from `offset` (0 or below is taken as 1).
int PosFrom(std::string_view sub, std::string_view s, int offset);
// Position of the n-th occurrence, each search starting one character
// after the end of the previous match (so an occurrence right after the
// previous one is skipped); 0 when there is none or n < 1.
int NthPos(std::string_view sub, std::string_view s, int n);
// s trimmed, the thousands separators removed, trimmed again; then the
// longest leading run of '-', digits and the decimal separator.
std::string ExtractNumberPrefix(std::string_view s, const TFormatSettings& fs);
std::string NoBr(std::string_view s);  // "<nobr>" + s + "</nobr>"

}  // namespace tv
