#include "ui/window/audition_link.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>
#include <algorithm>
#include <utility>

#include "audition/offline_render.h"
#include "audition/playable_instrument.h"
#include "ui/window/dialog_template.h"
#include "ui/window/main_dialog.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkFrames = 1024;
constexpr double kFirstRate = 44100;

}  // namespace

AuditionLink::AuditionLink(MidiInputDevice& midi, PortDevice& audio)
    : midi_(midi), audio_(audio), sampler_(kFirstRate), scratch_(2 * kChunkFrames) {
  midi_.SetMessageCallback([this](std::span<const unsigned char> message) {
    sampler_.Post({message[0], message.size() > 1 ? message[1] : std::uint8_t{0},
                   message.size() > 2 ? message[2] : std::uint8_t{0}});
  });
  audio_.SetRenderer(this);
}

AuditionLink::~AuditionLink() {
  audio_.SetRenderer(nullptr);
  midi_.SetMessageCallback({});
}

void AuditionLink::Follow(MainDialog& dialog) {
  QItemSelectionModel* selection = dialog.list().selectionModel();
  connect(selection, &QItemSelectionModel::currentRowChanged, this,
          [this, &dialog](const QModelIndex& current) { PlayRow(dialog, current.row()); });
  // A drop clears the library the rows point into.
  connect(&dialog.model(), &QAbstractItemModel::modelAboutToBeReset, this, [this, &dialog] {
    Silence();
    PlayRow(dialog, -1);
  });
  for (const int id : {kMidiSelectorId, kAudioSelectorId}) {
    if (auto* selector = qobject_cast<QComboBox*>(dialog.Control(id))) {
      connect(selector, &QComboBox::currentIndexChanged, this, [this] { Silence(); });
      // Queued: the port chosen is opened (or closed) by then, and the dialog may be gone.
      connect(
          selector, &QComboBox::currentIndexChanged, this,
          [this, alive = QPointer<MainDialog>(&dialog)] {
            if (alive) PlayRow(*alive, alive->list().selectionModel()->currentIndex().row());
          },
          Qt::QueuedConnection);
    }
  }
  InstrumentPanel& panel = dialog.panel();
  panel.SetCanPlay([this] { return audio_.IsOpen(); });
  connect(&panel, &InstrumentPanel::NotePressed, this,
          [this, &dialog](int key, int velocity) { PlayKey(dialog, key, velocity); });
  connect(&panel, &InstrumentPanel::NoteReleased, this, [this](int key) { ReleaseKey(key); });
  if (auto* selector = qobject_cast<QComboBox*>(dialog.Control(kAudioSelectorId)))
    connect(selector, &QComboBox::currentIndexChanged, &panel, [&panel] { panel.update(); });
  // The copy new notes play is made anew with the options it follows.
  connect(&dialog, &MainDialog::SoundOptionsChanged, this, [this, &dialog] {
    if (loaded_ != nullptr) Load(dialog, loaded_);
  });
  connect(&dialog.analysedCopy(), &AnalysedCopy::Made, this,
          [this](const Instrument* instrument, std::shared_ptr<const PlayableInstrument> copy) {
            Arrived(instrument, std::move(copy));
          });
  PlayRow(dialog, selection->currentIndex().row());
}

void AuditionLink::PlayKey(MainDialog& dialog, int key, int velocity) {
  if (!audio_.IsOpen()) return;
  // Without a MIDI port the row's copy is made at its first click, not at every row passed.
  const Instrument* current =
      dialog.model().InstrumentAt(dialog.list().selectionModel()->currentIndex().row());
  if (current != loaded_) Load(dialog, current);
  const auto note = static_cast<std::uint8_t>(std::clamp(key, 0, 127));
  const auto loudness = static_cast<std::uint8_t>(std::clamp(velocity, 1, 127));
  if (awaiting_) {
    waitingKeys_[note] = loudness;
    return;
  }
  sampler_.PostFromControl({0x90, note, loudness});
}

void AuditionLink::ReleaseKey(int key) {
  const auto note = static_cast<std::uint8_t>(std::clamp(key, 0, 127));
  waitingKeys_[note] = 0;
  sampler_.PostFromControl({0x80, note, 0});
}

void AuditionLink::PlayRow(MainDialog& dialog, int row) {
  // The copy costs as much as the instrument's samples: made only when notes can be heard, not
  // at every step through the list.
  const bool heard = midi_.IsOpen() && audio_.IsOpen();
  const Instrument* instrument = heard && row >= 0 ? dialog.model().InstrumentAt(row) : nullptr;
  Load(dialog, instrument);
}

void AuditionLink::Load(MainDialog& dialog, const Instrument* instrument) {
  loaded_ = instrument;
  waitingKeys_.fill(0);
  const SoundOptions& options = dialog.soundOptions();
  awaiting_ = instrument != nullptr && options.any();
  if (!awaiting_) {
    dialog.analysedCopy().Cancel();
    sampler_.SetInstrument(instrument != nullptr ? MakePlayable(*instrument) : nullptr);
    return;
  }
  sampler_.SetInstrument(nullptr);
  dialog.analysedCopy().Request(*instrument, options);
}

void AuditionLink::Arrived(const Instrument* instrument,
                           std::shared_ptr<const PlayableInstrument> copy) {
  if (!awaiting_ || instrument != loaded_) return;
  awaiting_ = false;
  sampler_.SetInstrument(std::move(copy));
  for (std::size_t key = 0; key < waitingKeys_.size(); ++key)
    if (waitingKeys_[key] != 0)
      sampler_.PostFromControl({0x90, static_cast<std::uint8_t>(key), waitingKeys_[key]});
  waitingKeys_.fill(0);
}

void AuditionLink::Prepare(unsigned int rate) {
  sampler_.SetOutputRate(rate);
}

void AuditionLink::Render(std::span<std::int16_t> stereo) {
  while (!stereo.empty()) {
    const std::size_t values = std::min(stereo.size(), scratch_.size());
    const std::span<float> chunk = std::span(scratch_).first(values);
    sampler_.Render(chunk);
    ToPcm16(chunk, stereo.first(values));
    stereo = stereo.subspan(values);
  }
}

}  // namespace tolvane
