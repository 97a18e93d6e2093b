#include "ui/window/export_prompts.h"

#include <QDir>
#include <filesystem>
#include <optional>

#include "ui/settings/settings.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

QString RememberedText(std::string_view name, std::size_t capacity) {
  std::string text;
  ReadSettingText(name, text, capacity, std::nullopt);
  return QString::fromStdString(text);
}

}  // namespace

std::filesystem::path PathOf(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

InitialChoice SplitRememberedPath(const QString& path) {
#ifdef _WIN32
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf('/'));
#else
  const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
  if (cut < 0) return {{}, path};
  return {path.left(cut), path.mid(cut + 1)};
}

std::optional<QString> AskCollectionFile(Prompts& prompts) {
  const InitialChoice initial =
      SplitRememberedPath(RememberedText(kSoundCollectionSetting, kSoundCollectionCapacity));
  const SaveFileRequest request{
      QString::fromLatin1(texts::kCollectionPromptTitle),
      {QString::fromLatin1(texts::kCollectionFilter), QString::fromLatin1(texts::kAllFilesFilter)},
      QString::fromLatin1(texts::kCollectionSuffix),
      initial.folder,
      initial.file};
  const std::optional<QString> file = prompts.AskSaveFile(request);
  if (!file) return std::nullopt;
  const QString native = QDir::toNativeSeparators(*file);
  WriteSettingText(kSoundCollectionSetting, native.toStdString());
  return native;
}

std::optional<QString> AskExportFolder(Prompts& prompts) {
  QString folder = RememberedText(kSoundDirectorySetting, kSoundDirectoryCapacity);
  if (folder.isEmpty()) folder = QDir::currentPath();
  const std::optional<QString> chosen =
      prompts.AskFolder(QString::fromLatin1(texts::kFolderPromptTitle), folder);
  if (!chosen) return std::nullopt;
  const QString native = QDir::toNativeSeparators(*chosen);
  WriteSettingText(kSoundDirectorySetting, native.toStdString());
  return native;
}

}  // namespace tolvane
