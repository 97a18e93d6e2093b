#pragma once
// What the window tests share: private settings and files, WAV files, and fakes that answer the
// window's prompts and stand in for its MIDI and audio ports.

#include <QAction>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "database/sound_database.h"
#include "devices/port_device.h"
#include "library/library.h"
#include "ui/settings/settings.h"
#include "ui/window/dialog_template.h"
#include "ui/window/main_dialog.h"
#include "ui/window/prompts.h"

namespace tolvane::testing {

#ifdef _WIN32
// Windows keeps the settings in the registry, which every test of a run shares: a place maps
// the process's current-user and machine roots onto fresh keys of its own while it lasts.
class RegistryPlace {
 public:
  RegistryPlace() {
    static int places = 0;
    base_ = "Software\\Tolvane Tests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++places);
    user_ = Create(base_ + "\\user");
    machine_ = Create(base_ + "\\machine");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, user_);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_);
  }
  RegistryPlace(const RegistryPlace&) = delete;
  RegistryPlace& operator=(const RegistryPlace&) = delete;
  ~RegistryPlace() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (user_ != nullptr) ::RegCloseKey(user_);
    if (machine_ != nullptr) ::RegCloseKey(machine_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
  }

 private:
  static HKEY Create(const std::string& path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
      qFatal("cannot create the test's registry key %s", path.c_str());
    return key;
  }

  std::string base_;
  HKEY user_ = nullptr;
  HKEY machine_ = nullptr;
};
#endif

// A fresh folder per test; the settings live in it too (in fresh registry keys on Windows).
class TestPlace {
 public:
  TestPlace() {
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", dir_.filePath(QStringLiteral("machine")).toUtf8());
  }
  QString operator/(const QString& name) const { return dir_.filePath(name); }
  std::filesystem::path Path(const QString& name) const {
    return std::filesystem::path(dir_.filePath(name).toStdString());
  }

 private:
  QTemporaryDir dir_;
#ifdef _WIN32
  RegistryPlace registry_;
#endif
};

inline std::string Setting(std::string_view name) {
  std::string text;
  ReadSettingText(name, text, 512, std::nullopt);
  return text;
}

// A path as the window shows it: with the system's own separators.
inline QString Native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 16-bit mono PCM WAV file of `frames` frames; the instrument it makes is named after the file.
inline void WriteWav(const QString& path, std::uint32_t frames) {
  QByteArray bytes;
  const auto u32 = [&bytes](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const auto u16 = [&bytes](std::uint32_t v) {
    bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
  };
  bytes.append("RIFF");
  u32(36 + 2 * frames);
  bytes.append("WAVEfmt ");
  u32(16), u16(1), u16(1), u32(44100), u32(88200), u16(2), u16(16);
  bytes.append("data");
  u32(2 * frames);
  for (std::uint32_t f = 0; f < frames; ++f) u16(f * 97);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

class FakePrompts : public Prompts {
 public:
  struct Message {
    QString caption, text, detail;
  };

  std::optional<QString> AskSaveFile(const SaveFileRequest& request) override {
    saveRequests.push_back(request);
    return saveAnswer;
  }
  std::optional<QString> AskFolder(const QString& title, const QString& initialFolder) override {
    folderRequests.push_back({title, initialFolder});
    return folderAnswer;
  }
  QStringList AskOpenFiles(const QString& title, const QStringList& filters,
                           const QString& /*initialFolder*/) override {
    openRequests.push_back({title, filters});
    return openAnswer;
  }
  void ShowMessage(const QString& caption, const QString& text, const QString& detail) override {
    messages.push_back({caption, text, detail});
  }
  // Follows `menuPath` through the menu's texts; an empty path dismisses the menu.
  int ChooseFromMenu(QMenu& menu, const QPoint& /*position*/) override {
    ++menusShown;
    const QMenu* current = &menu;
    for (const QString& text : menuPath) {
      const QAction* found = nullptr;
      // A category's code stands after a tab, where a shortcut would.
      for (const QAction* action : current->actions())
        if (action->text().section(QLatin1Char('\t'), 0, 0) == text) found = action;
      if (found == nullptr) return 0;
      if (found->menu() == nullptr) return found->data().toInt();
      current = found->menu();
    }
    return 0;
  }

  std::optional<QString> saveAnswer;
  std::optional<QString> folderAnswer;
  QStringList menuPath;
  std::vector<SaveFileRequest> saveRequests;
  std::vector<std::pair<QString, QString>> folderRequests;
  QStringList openAnswer;
  std::vector<std::pair<QString, QStringList>> openRequests;
  std::vector<Message> messages;
  int menusShown = 0;
};

// A port list whose opens succeed except for `failing` item data; records every open.
class FakePorts : public MidiInputDevice {
 public:
  explicit FakePorts(std::vector<PortEntry> entries = {{kNoPortName, 0}})
      : entries_(std::move(entries)) {}

  std::vector<PortEntry> ListPorts() override { return entries_; }
  bool Open(int itemData) override {
    opens.push_back(itemData);
    gone_ = false;
    open_ = itemData > 0 && failing.count(itemData) == 0 ? itemData : 0;
    return open_ > 0;
  }
  void Close() override { open_ = 0; }
  bool IsOpen() const override { return open_ > 0 && !gone_; }
  void SetFlashCallback(FlashCallback callback) override { flash = std::move(callback); }
  void SetMessageCallback(const MidiMessageCallback& callback) override { message = callback; }

  // A port plugged in or pulled out: the next list shows `entries`.
  void SetEntries(std::vector<PortEntry> entries) { entries_ = std::move(entries); }
  // The open port goes away under it, as when its server ends.
  void Vanish() { gone_ = true; }

  std::set<int> failing;
  std::vector<int> opens;
  FlashCallback flash;
  MidiMessageCallback message;  // a note played on the keyboard: message({0x90, 60, 100})
  int openItem() const { return open_; }

 private:
  std::vector<PortEntry> entries_;
  int open_ = 0;
  bool gone_ = false;
};

// A dialog over its own library, database, fake ports and prompts, in a fresh place.
struct TestWindow {
  TestPlace place;
  Library library;
  SoundDatabase database;
  FakePorts midi, audio;
  FakePrompts prompts;
  std::unique_ptr<MainDialog> dialog;

  MainDialog& Open() {
    dialog = std::make_unique<MainDialog>(
        WindowServices{library, database, place.Path("sounds.INI"), midi, audio}, &prompts);
    return *dialog;
  }
  // WAV files of `frames` frames in the place, named after `names`.
  QStringList Files(const QStringList& names, std::uint32_t frames) const {
    QStringList paths;
    for (const QString& name : names) {
      paths << place / (name + ".wav");
      WriteWav(paths.back(), frames);
    }
    return paths;
  }
  // Until the window's work has ended and its outcome is shown.
  void Wait() const {
    QVERIFY(QTest::qWaitFor([this] { return !dialog->Busy(); }, 20000));
  }
  // The status line as it reads: a link in it as its text.
  QString Status() const {
    const auto* status = static_cast<QLabel*>(dialog->Control(kStatusId));
    if (status->textFormat() != Qt::RichText) return status->text();
    return QTextDocumentFragment::fromHtml(status->text()).toPlainText();
  }
  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < dialog->model().rowCount(); ++row)
      names << dialog->model().data(dialog->model().index(row, 0)).toString();
    return names;
  }
};

}  // namespace tolvane::testing
