#include "ui/window/export_prompts.h"

#include <QDir>
#include <filesystem>
#include <optional>

#include "base/encoding.h"
#include "export/export_commands.h"
#include "ui/settings/settings.h"
#include "ui/window/wait_cursor.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

std::filesystem::path PathOf(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

QString RememberedText(std::string_view name, std::size_t capacity) {
  std::string text;
  ReadSettingText(name, text, capacity, std::nullopt);
  return QString::fromStdString(text);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "\n") + line;
  return joined;
}

}  // namespace

InitialChoice SplitRememberedPath(const QString& path) {
#ifdef _WIN32
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf('/'));
#else
  const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
  if (cut < 0) return {{}, path};
  return {path.left(cut), path.mid(cut + 1)};
}

ExportOutcome RunCollectionExport(std::span<const Instrument* const> checked, Prompts& prompts) {
  const InitialChoice initial =
      SplitRememberedPath(RememberedText(kSoundCollectionSetting, kSoundCollectionCapacity));
  const SaveFileRequest request{
      QString::fromLatin1(texts::kCollectionPromptTitle),
      {QString::fromLatin1(texts::kCollectionFilter), QString::fromLatin1(texts::kAllFilesFilter)},
      QString::fromLatin1(texts::kCollectionSuffix),
      initial.folder,
      initial.file};
  const std::optional<QString> file = prompts.AskSaveFile(request);
  if (!file) return {};
  const QString native = QDir::toNativeSeparators(*file);
  WriteSettingText(kSoundCollectionSetting, native.toStdString());
  const WaitCursor busy;
  const ExportResult result = ExportCollection(checked, PathOf(native));
  if (result) return {true, {}};
  return {false, native.toStdString() + ": " + Windows1252ToUtf8(result.reason)};
}

ExportOutcome RunSingleExport(Library& library, std::span<const Instrument* const> checked,
                              Prompts& prompts) {
  QString folder = RememberedText(kSoundDirectorySetting, kSoundDirectoryCapacity);
  if (checked.empty()) return {false, texts::kNothingCheckedReason};
  if (folder.isEmpty()) folder = QDir::currentPath();
  const std::optional<QString> chosen =
      prompts.AskFolder(QString::fromLatin1(texts::kFolderPromptTitle), folder);
  if (!chosen) return {};
  const QString native = QDir::toNativeSeparators(*chosen);
  WriteSettingText(kSoundDirectorySetting, native.toStdString());
  const WaitCursor busy;
  const SingleExportResult result = ExportSingleInstruments(library, checked, PathOf(native));
  if (result.ok()) return {true, {}};
  if (result.marked == 0) return {false, texts::kNoSamplesReason};
  return {false, JoinLines(result.failures)};
}

}  // namespace tolvane
