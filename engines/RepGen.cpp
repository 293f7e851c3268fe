#include "engines/RepGen.h"

#include <cerrno>
#include <utility>

#include "engines/RepGenSlots.h"
#include "foundation/XMUtils.h"
#include "platform/text/Cp1251.h"
#include "platform/Exceptions.h"
#include "platform/os/Files.h"
#include "platform/os/OsError.h"
#include "platform/os/Paths.h"
#include "platform/text/StringList.h"

namespace tv {
namespace {

constexpr std::size_t kMaxVarName = 15;
constexpr std::string_view kLineEnd = "\r\n";

std::string VarKey(std::string_view name) { return AnsiUpperCase(name.substr(0, kMaxVarName)); }

// Sets a flag for the length of a scope and puts back what it was: a page
// may start while its own footer is written, and must not end that frame.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = saved_; }

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

TRepGen::TRepGen(std::string formFile, std::ostream& output, uint8_t pageLength,
                 int columnCount)
    : Output(output), PageLength(pageLength), formFile_(std::move(formFile)) {
  LoadForm(columnCount);
}

TRepGen::~TRepGen() = default;

void TRepGen::LoadForm(int columnCount) {
  TStringList lines;
  try {
    lines.LoadFromFile(formFile_);
    if (lines.Count() == 0)
      throw Exception("Неверный файл с формой \""_w + formFile_ + "\" - файл пуст"_w);
  } catch (const Exception& e) {
    MakeContextException(e, "ЗагрузкаФайлаFRM"_w)->Raise();
  }
  TRepGenFormReader reader(formFile_, columnCount);
  for (int i = 0; i < lines.Count(); ++i) reader.AddLine(lines[i]);
  TRepGenSections sections = reader.TakeSections();
  Head = std::move(sections.Head);
  PageHeader = std::move(sections.PageHeader);
  GroupHeader = std::move(sections.GroupHeader);
  RepeatBody = std::move(sections.RepeatBody);
  GroupFooter = std::move(sections.GroupFooter);
  PageFooter = std::move(sections.PageFooter);
  Tail = std::move(sections.Tail);
  const std::size_t frameLines =
      PageHeader.size() + PageFooter.size() + GroupHeader.size() + RepeatBody.size();
  if (PageLength != 0 && frameLines >= PageLength)
    throw Exception("Неверный файл с формой \""_w + formFile_ +
                    "\" - слишком большая длина страницы"_w);
}

void TRepGen::SetVar(std::string_view name, std::string_view value) {
  std::string key = VarKey(name);
  if (const auto it = Vars.find(key); it != Vars.end())
    it->second.assign(value);
  else
    Vars.emplace(std::move(key), std::string(value));
}

void TRepGen::ClearVars() { Vars.clear(); }

std::string TRepGen::GetVarValue(std::string_view name) const {
  const std::string key = VarKey(name);
  if (key == "PAGE") return std::to_string(PageNumber);
  auto it = Vars.find(key);
  return it == Vars.end() ? std::string() : it->second;
}

void TRepGen::PrintRepeat() {
  if (HeadPending || NewPagePending) StartPage();
  if (GroupHeaderPending) {
    WriteGroupSection(GroupHeader);
    GroupHeaderPending = false;
  }
  WriteSection(RepeatBody);
}

void TRepGen::EndGroup() {
  FlagScope groupFrame(InGroupFrame);
  if (GroupHeaderPending) WriteSection(GroupHeader);
  WriteSection(GroupFooter);
  GroupHeaderPending = true;
}

void TRepGen::EndReport() {
  if (HeadPending) {
    // Nothing printed at all: the report still shows its one, empty group.
    StartPage();
    EndGroup();
  } else if (!GroupHeaderPending) {
    EndGroup();
  }
  WriteSection(Tail);
  EndPage();
  CheckOutput();
}

void TRepGen::StartPage() {
  LineOnPage = 1;
  NewPagePending = false;
  FlagScope pageFrame(InPageFrame);
  if (HeadPending) {
    WriteSection(Head);
    HeadPending = false;
  }
  WriteSection(PageHeader);
  if (RepeatGroupHeader && !InGroupFrame) {
    WriteGroupSection(GroupHeader);
    GroupHeaderPending = false;
  }
}

void TRepGen::EndPage() {
  {
    FlagScope pageFrame(InPageFrame);
    WriteSection(PageFooter);
  }
  NewPagePending = true;
  ++PageNumber;
}

void TRepGen::WriteSection(const std::vector<std::string>& section) {
  for (const std::string& line : section) WriteSubstituted(line);
}

void TRepGen::WriteGroupSection(const std::vector<std::string>& section) {
  FlagScope groupFrame(InGroupFrame);
  WriteSection(section);
}

void TRepGen::WriteSubstituted(std::string_view templateLine) {
  // Lines of a page frame are written while a row line is being filled, so
  // each level takes the shared buffer for itself and hands it back.
  std::string line;
  line.swap(lineBuffer_);
  line.clear();
  SubstituteSlots(
      templateLine, [this](std::string_view name) { return GetVarValue(name); }, line);
  WriteLine(line);
  line.swap(lineBuffer_);
}

void TRepGen::WriteLine(std::string_view line) {
  if (NewPagePending) StartPage();
  Output.write(line.data(), static_cast<std::streamsize>(line.size()));
  Output.write(kLineEnd.data(), static_cast<std::streamsize>(kLineEnd.size()));
  ++LineOnPage;
  if (PageLength != 0 && !InPageFrame &&
      static_cast<int32_t>(PageLength) - static_cast<int32_t>(PageFooter.size()) < LineOnPage)
    EndPage();
}

void TRepGen::CheckOutput() {
  Output.flush();
  if (Output) return;
  if (outputName_.empty()) throw EWriteError("Stream write error");
  throw EWriteError("Cannot write file \"" + outputName_ + "\"");
}

void TRepGen::SetOutputName(std::string name) { outputName_ = std::move(name); }

namespace repgen_detail {

OutputFile::OutputFile(std::string_view outFile, bool overwrite) {
  const std::string native = MapPath(outFile);
  const bool append = !overwrite && FileExists(outFile);
  errno = 0;
  stream.open(native, append ? std::ios::binary | std::ios::app
                             : std::ios::binary | std::ios::out | std::ios::trunc);
  if (stream.is_open()) return;
  SetLastErrorForPath(errno, native);
  const std::string what = append ? "Cannot open file \"" : "Cannot create file \"";
  const std::string message =
      what + std::string(outFile) + "\". " + SysErrorMessage(GetLastError());
  if (append) throw EFOpenError(message);
  throw EFCreateError(message);
}

}  // namespace repgen_detail

TFileRepGen::TFileRepGen(std::string_view formFile, std::string_view outFile, bool overwrite,
                         uint8_t pageLength, int columnCount)
    : OutputFile(outFile, overwrite),
      TRepGen(RepGen::ResolveFormFile(formFile), stream, pageLength, columnCount),
      outFileName_(outFile) {
  SetOutputName(outFileName_);
}

TFileRepGen::~TFileRepGen() = default;

namespace RepGen {

bool UseAltForms = false;

std::string ResolveFormFile(std::string_view formFile) {
  std::string chosen(formFile);
  if (!UseAltForms) return chosen;
  const std::string folder = ExtractFilePath(formFile);
  const std::string name = ExtractFileName(formFile);
  // Both prefixes are in use; where a folder holds both, the Latin one wins.
  if (std::string cyrillic = folder + "а_"_w + name; FileExists(cyrillic)) chosen = cyrillic;
  if (std::string latin = folder + "a_" + name; FileExists(latin)) chosen = latin;
  return chosen;
}

std::string ReadFileText(std::string_view fileName) {
  TStringList lines;
  lines.LoadFromFile(std::string(fileName));
  std::size_t size = 0;
  for (int i = 0; i < lines.Count(); ++i) size += lines[i].size() + kLineEnd.size();
  std::string text;
  text.reserve(size);
  for (int i = 0; i < lines.Count(); ++i) {
    text += lines[i];
    text += kLineEnd;
  }
  return text;
}

}  // namespace RepGen

}  // namespace tv
