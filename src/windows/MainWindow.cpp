// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow, the main window: start-up, settings, devices, keyboard, reference A, device switch, close.
#include "windows/MainWindow.h"

#include "game/KeyMap.h"
#include "game/Report.h"
#include "game/Version.h"
#include "platform/Desktop.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "windows/DifficultyDialog.h"
#include "windows/HintWindow.h"
#include "windows/InstrumentDialog.h"
#include "windows/TuningWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

MainWindow* theMainWindow = nullptr;

namespace {

constexpr int kOpenAttempts = 6;
constexpr DWORD kWaitBeforeOpenRetry = 500;

const QString kNoDeviceText = QStringLiteral("ＭＩＤＩ音源がないのでこのソフトは利用できません");
const QString kNoDeviceExplanation =
    QStringLiteral("ＭＩＤＩ音源ソフトかＭＩＤＩ機器を用意してから、もう一度起動してください。");
const QString kCannotOpenText = QStringLiteral("ＭＩＤＩデバイスが開けません");
const QString kDeviceReturnedText =
    QStringLiteral("ＭＩＤＩ機器が戻ったので、ＧＳリセットと今の調律を送り直しました");
// How long the status bar tells of a device that came back before the clock returns.
constexpr qint64 kDeviceReturnedNoticeMs = 10000;
const QString kCannotSaveText = QStringLiteral("設定ファイルを保存できませんでした。\n%1");
const QString kCannotSaveExplanation =
    QStringLiteral("このフォルダーに書き込めるか、ディスクに空きがあるかを確かめてください。");

// The reference A: A4, 440 Hz.
constexpr int kReferenceNote = 69;
// The old device's MIDI channel 10 falls silent before a device switch.
constexpr int kChannel10 = 9;

void ReferenceOn()
{
    midi::SendNoteOn(midi::kReferenceChannel, kReferenceNote);
    ReferenceToneUsed = true;
}

void ReferenceOff()
{
    midi::SendNoteOff(midi::kReferenceChannel, kReferenceNote);
}

// The screens' usable areas, the primary first.
std::vector<QRect> ScreenAreas()
{
    std::vector<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.push_back(screen->availableGeometry());
    return areas;
}

} // namespace

void CurrentNoteOn()
{
    midi::SendNoteOn(midi::kKeysChannel, CurrentNote);
}

void CurrentNoteOff()
{
    midi::SendNoteOff(midi::kKeysChannel, CurrentNote);
}

QString OpenErrorText(MMRESULT result)
{
    static constexpr std::array<const char*, 14> kNames = {"",
                                                           "ERROR",
                                                           "BADDEVICEID",
                                                           "NOTENABLED",
                                                           "ALLOCATED",
                                                           "指定されたデバイス ハンドルが無効です。",
                                                           "NODRIVER",
                                                           "メモリの割り当てまたはロックができません。",
                                                           "NOTSUPPORTED",
                                                           "BADERRNUM",
                                                           "INVALFLAG",
                                                           "INVALPARAM",
                                                           "HANDLEBUSY",
                                                           "INVALIDALIAS"};
    if (result >= 1 && result < kNames.size())
        return QString::fromUtf8(kNames[result]);
    return result == MMSYSERR_LASTERROR ? QStringLiteral("LASTERROR") : kCannotOpenText;
}

QString OpenErrorExplanation(MMRESULT result)
{
    switch (result) {
    case MMSYSERR_BADDEVICEID:
        return QStringLiteral(
            "使えるＭＩＤＩデバイスが見つかりません。デバイス一覧から機器を選んでください。");
    case MMSYSERR_NOTENABLED:
        return QStringLiteral("音を出す出力（サウンドカードやサウンドサーバー）が使えません。"
                              "サウンドの設定を確かめるか、デバイス一覧から別の機器を選んでください。");
    case MMSYSERR_ALLOCATED:
        return QStringLiteral("このＭＩＤＩデバイスはほかのソフトが使っています。"
                              "そのソフトを閉じるか、デバイス一覧から別の機器を選んでください。");
    case MMSYSERR_NODRIVER:
        return QStringLiteral(
            "ＭＩＤＩデバイスが見つかりません。機器が外されたか、音源ソフトやＪＡＣＫサーバーが"
            "止まっているか、内蔵音源のサウンドフォントがありません。用意してからデバイス一覧で選び直してくだ"
            "さい。");
    case MMSYSERR_NOMEM:
        return QStringLiteral(
            "メモリが足りません。ほかのソフトを閉じてから、デバイス一覧で選び直してください。");
    default:
        return QStringLiteral("ＭＩＤＩデバイスを開けませんでした。機器の接続を確かめるか、"
                              "デバイス一覧から別の機器を選んでください。");
    }
}

MainWindow::MainWindow()
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    ui::SetBounds(this, {298, 107, 345, 246});
    setMinimumSize(345, 246); // the layout needs all of it
    auto* client = new QWidget(this);
    setCentralWidget(client);
    createKeyboard(client);
    createControls(client);
    createMenu();
    clockStatusBar = new QStatusBar(this);
    clockStatusBar->setFixedHeight(18);
    clockStatusBar->setSizeGripEnabled(false);
    setStatusBar(clockStatusBar);
    history = std::make_unique<PlayHistory>(clockStatusBar);
    clockTimer = new QTimer(this);
    clockTimer->setInterval(100);
    connect(clockTimer, &QTimer::timeout, this, &MainWindow::onClockTick);
    clockTimer->start();
    ui::InstallKeyPreview(
        this, [this](int key) { onKeyDown(key); },
        [this](int key) {
            onKeyUp(key);
            releaseReferenceKeyElsewhere(this);
        });
    ui::OnActivate(this, [this] { onActivated(); });
}

MainWindow::~MainWindow()
{
    midi::OnDeviceReturned(nullptr);
}

void MainWindow::createKeyboard(QWidget* client)
{
    // White keys first, so that the black keys lie above them and take the mouse where they overlap.
    for (bool black : {false, true})
        for (const auto& key : game::PianoKeys()) {
            if (key.black != black)
                continue;
            const QSize size = black ? QSize(game::kBlackKeyWidth, game::kBlackKeyHeight)
                                     : QSize(game::kWhiteKeyWidth, game::kWhiteKeyHeight);
            auto* shape = new ui::Shape(client, {QPoint(key.left, 0), size}, black ? Qt::black : Qt::white);
            shape->setObjectName(QStringLiteral("pianoKey%1").arg(key.shape));
            connect(shape, &ui::Shape::mouseDown, this, [this, n = key.shape] { onPianoKeyPressed(n); });
            connect(shape, &ui::Shape::mouseUp, this, [this, n = key.shape] { onPianoKeyReleased(n); });
            shapes_[key.shape - 1] = shape;
        }
}

void MainWindow::createControls(QWidget* client)
{
    // The device list comes first in the tab order, so it has the focus at start.
    deviceList = new QComboBox(client);
    deviceList->setGeometry(152, 120, 177, deviceList->sizeHint().height());
    deviceList->setEditable(false);
    ui::KeepKeysFromList(
        deviceList, [this](int key) { onKeyDown(key); }, [this](int key) { onKeyUp(key); });
    connect(deviceList, &QComboBox::activated, this, &MainWindow::onDeviceChosen);

    referenceButton = new ui::Button(client, QStringLiteral("A音"), {8, 120, 65, 25});
    connect(referenceButton, &ui::Button::mouseDown, this, &MainWindow::onReferencePressed);
    connect(referenceButton, &ui::Button::mouseUp, this, &MainWindow::onReferenceReleased);
    ui::OnControlKeys(
        referenceButton, [this] { onReferenceKeyDown(); }, [this] { onReferenceKeyUp(); });

    hintButton = new ui::Button(client, QStringLiteral("ヒント(&H)"), {80, 120, 65, 25});
    connect(hintButton, &QPushButton::clicked, this, &MainWindow::onHintClicked);

    const QString credit =
        QString::fromLatin1(game::kVersionLine) + QStringLiteral("　制作：Velmora 開発チーム");
    creditLabel = new ui::Label(client, credit, {8, 152});
    connect(creditLabel, &ui::Label::clicked, this, &MainWindow::onCreditClicked);

    setTabOrder(deviceList, referenceButton);
    setTabOrder(referenceButton, hintButton);
    deviceList->setFocus();
}

void MainWindow::createMenu()
{
    settingsMenu = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    difficultyEntry =
        settingsMenu->addAction(QStringLiteral("難易度の設定(&N)"), this, &MainWindow::onDifficultyEntry);
    instrumentEntry =
        settingsMenu->addAction(QStringLiteral("楽器の設定(&G)"), this, &MainWindow::onInstrumentEntry);
    recordsMenu = menuBar()->addMenu(QStringLiteral("記録(&R)"));
    historyEntry =
        recordsMenu->addAction(QStringLiteral("成績の推移(&K)…"), this, &MainWindow::onHistoryEntry);
}

// ---- Start-up -------------------------------------------------------------------------------

void MainWindow::startUp()
{
    ReferenceToneUsed = false;
    if (midiOutGetNumDevs() == 0) {
        platform::ShowMessage(kNoDeviceText, kNoDeviceExplanation);
        return; // the program ends; nothing is sent or saved
    }
    DeviceCount = std::int32_t(midiOutGetNumDevs());
    SettingsFile = game::IniDocument::load(game::SettingsLocationOfThisProgram().pathToRead());
    const game::SavedSettings saved = game::ReadSavedSettings(SettingsFile);
    placeWindow(saved.window);
    SelectedDeviceId = saved.deviceNumber;
    MapValue = saved.mapValue;
    listDevices();
    selectSavedDevice(SelectedDeviceId, saved.deviceName);
    if (const MMRESULT result = openOutputWithRetry(); result != MMSYSERR_NOERROR)
        platform::ShowMessage(OpenErrorText(result), OpenErrorExplanation(result));
    SendGsReset(midi::kWaitAfterGsResetAtStart);
    TuningStartTime = platform::Now();
    midi::OnDeviceReturned([this] {
        deviceReturnedAt_ = platform::Now();
        onClockTick();
    });
    startedUp_ = true;
}

void MainWindow::placeWindow(const game::WindowBounds& stored)
{
    storedBounds_ = stored;
    // Bounds that would leave the window off screen or unusable are not applied as they stand.
    appliedBounds_ = game::PlacedOnScreen(storedBounds_, minimumSize(), ScreenAreas());
    ui::SetBounds(this,
                  {appliedBounds_.left, appliedBounds_.top, appliedBounds_.width, appliedBounds_.height});
}

void MainWindow::listDevices()
{
    deviceList->clear();
    ListedDeviceIds.clear();
    for (UINT id = 0; id < UINT(DeviceCount); ++id) {
        MIDIOUTCAPSA caps;
        if (midiOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        ListedDeviceIds.push_back(std::int32_t(id));
        deviceList->addItem(QString::fromUtf8(caps.szPname));
    }
}

// The saved number is tried as a list position; when the name there is not the saved name, the
// first entry bearing that name is chosen, so a device is kept when the numbering moves.
void MainWindow::selectSavedDevice(int savedPosition, const QString& savedName)
{
    if (ListedDeviceIds.empty()) {
        SelectedDeviceId = -1; // every device failed its capability query: nothing to open
        return;
    }
    int position = savedPosition >= 0 && savedPosition < deviceList->count() ? savedPosition : 0;
    if (deviceList->itemText(position) != savedName)
        position = std::max(0, deviceList->findText(savedName, Qt::MatchExactly | Qt::MatchCaseSensitive));
    deviceList->setCurrentIndex(position);
    SelectedDeviceId = ListedDeviceIds[position];
}

MMRESULT MainWindow::openOutputWithRetry()
{
    MMRESULT result = midiOutOpen(&MidiOutPort, UINT(SelectedDeviceId));
    MidiResult = std::int32_t(result);
    for (int retry = 1; retry < kOpenAttempts && result != MMSYSERR_NOERROR; ++retry) {
        midiOutClose(MidiOutPort);
        Sleep(kWaitBeforeOpenRetry);
        result = midiOutOpen(&MidiOutPort, UINT(SelectedDeviceId));
        MidiResult = std::int32_t(result);
    }
    return result;
}

void MainWindow::onActivated()
{
    if (theTuningWindow)
        theTuningWindow->show();
}

// ---- Close ----------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    finishRun();
    event->accept();
    QCoreApplication::exit(0);
}

void MainWindow::finishRun()
{
    if (!startedUp_ || closed_)
        return;
    closed_ = true;
    restoreTuningAndClosePort();
    saveSettings();
}

void MainWindow::restoreTuningAndClosePort()
{
    std::array<std::uint8_t, midi::kPitchClasses> equalTemperament;
    equalTemperament.fill(midi::gs::kScaleTuningCentre);
    midi::FillScaleTuningMessage(equalTemperament);
    midi::SendScaleTuningMessage(midi::kWaitAfterNewChallenge);
    midiOutClose(MidiOutPort);
}

void MainWindow::saveSettings()
{
    game::WriteSavedSettings(SettingsFile, {.window = boundsToSave(),
                                            .deviceNumber = SelectedDeviceId,
                                            .deviceName = deviceList->currentText(),
                                            .mapValue = MapValue});
    const QString path = game::SettingsLocationOfThisProgram().pathToWrite();
    if (!SettingsFile.save(path))
        platform::ShowMessage(kCannotSaveText.arg(path), kCannotSaveExplanation);
    SettingsFile = game::IniDocument();
}

// The bounds as read while the window still stands where they put it, so that values no screen
// could show are kept as the player wrote them; else where the player put it. A maximized or
// minimized window keeps its normal bounds.
game::WindowBounds MainWindow::boundsToSave() const
{
    QRect inside = geometry();
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        inside = normalGeometry();
    const QPoint frame = inside.topLeft() + (pos() - geometry().topLeft());
    const game::WindowBounds now{frame.x(), frame.y(), inside.width(), inside.height()};
    return now == appliedBounds_ ? storedBounds_ : now;
}

// ---- Device switch --------------------------------------------------------------------------

void MainWindow::onDeviceChosen()
{
    midi::SendAllSoundOff(kChannel10);
    midiOutClose(MidiOutPort);
    SelectedDeviceId = ListedDeviceIds[std::size_t(deviceList->currentIndex())];
    if (const MMRESULT result = openOutputWithRetry(); result != MMSYSERR_NOERROR)
        platform::ShowMessage(kCannotOpenText, OpenErrorExplanation(result));
    midiOutReset(MidiOutPort);
    SendGsReset(midi::kWaitAfterGsResetAtSwitch);
    SendScaleTuning();
}

// ---- Keyboard -------------------------------------------------------------------------------

void MainWindow::paintKey(int note, bool held)
{
    for (const auto& key : game::PianoKeys())
        if (key.note == note)
            pianoKey(key.shape)->setFill(held ? Qt::red : key.black ? Qt::black : Qt::white);
}

void MainWindow::onPianoKeyPressed(int shape)
{
    CurrentNote = game::PianoKeyOfShape(shape).note;
    CurrentNoteOn();
    paintKey(CurrentNote, true);
}

void MainWindow::onPianoKeyReleased(int shape)
{
    CurrentNote = game::PianoKeyOfShape(shape).note;
    CurrentNoteOff();
    paintKey(CurrentNote, false);
}

void MainWindow::onKeyDown(int key)
{
    if (const auto index = game::MappedKeyIndex(key)) {
        CurrentNote = game::NoteOfMappedKey(*index);
        if (!KeyHeldFlags[std::size_t(*index)]) {
            KeyHeldFlags[std::size_t(*index)] = true;
            CurrentNoteOn();
            paintKey(CurrentNote, true);
        }
    }
    if (key == game::kVkSpace)
        midi::SendSustainPedal(midi::kKeysChannel, true); // every auto-repeat presses the pedal again
}

void MainWindow::onKeyUp(int key)
{
    if (const auto index = game::MappedKeyIndex(key)) {
        CurrentNote = game::NoteOfMappedKey(*index);
        CurrentNoteOff();
        KeyHeldFlags[std::size_t(*index)] = false;
        paintKey(CurrentNote, false);
    }
    if (key == game::kVkSpace)
        midi::SendSustainPedal(midi::kKeysChannel, false);
}

// ---- Reference A, menu, hint, clip, clock ---------------------------------------------------

void MainWindow::onReferencePressed()
{
    ReferenceOn();
}

void MainWindow::onReferenceReleased()
{
    ReferenceOff();
}

void MainWindow::onReferenceKeyDown()
{
    if (ReferenceKeyHeld)
        return;
    ReferenceKeyHeld = true;
    ReferenceOn();
}

void MainWindow::onReferenceKeyUp()
{
    ReferenceKeyHeld = false;
    ReferenceOff();
}

// A key that sounded the reference A on "A音" and moved the focus away (Tab, an arrow) is released
// on another control: its release still ends the reference A. A release that goes on to "A音"
// (the focused control of `window`) ends it there, in onReferenceKeyUp.
void MainWindow::releaseReferenceKeyElsewhere(const QWidget* window)
{
    if (ReferenceKeyHeld && window->focusWidget() != referenceButton)
        onReferenceKeyUp();
}

// ---- Settings menu through a challenge --------------------------------------------------------

void MainWindow::lockSettings()
{
    for (auto [dialog, entry] : {std::pair<QWidget*, QAction*>{theDifficultyDialog, difficultyEntry},
                                 {theInstrumentDialog, instrumentEntry}}) {
        if (dialog) {
            dialog->setEnabled(false);
            dialog->hide();
        }
        entry->setEnabled(false);
    }
}

void MainWindow::unlockDifficulty()
{
    theDifficultyDialog->setEnabled(true);
    difficultyEntry->setEnabled(true);
}

void MainWindow::unlockSettings()
{
    settingsMenu->setEnabled(true);
    difficultyEntry->setEnabled(true);
    theDifficultyDialog->setEnabled(true);
    instrumentEntry->setEnabled(true);
    theInstrumentDialog->setEnabled(true);
}

void MainWindow::onHintClicked()
{
    theHintWindow->show();
}

void MainWindow::onDifficultyEntry()
{
    theDifficultyDialog->show();
}

void MainWindow::onInstrumentEntry()
{
    theInstrumentDialog->show();
}

void MainWindow::onHistoryEntry()
{
    history->showWindow();
}

void MainWindow::onCreditClicked()
{
    platform::CurrentDesktop().playClip();
}

void MainWindow::onClockTick()
{
    const QDateTime now = platform::Now();
    // For a while after the device came back, the status bar says so instead of showing the time.
    const bool deviceJustReturned =
        deviceReturnedAt_.isValid() && deviceReturnedAt_.msecsTo(now) < kDeviceReturnedNoticeMs;
    // Ten ticks a second, one new text a second: the status bar is repainted only when it changes.
    const QString text =
        deviceJustReturned ? kDeviceReturnedText : game::DateTimeText(now, QLocale::system());
    if (text != clockStatusBar->currentMessage())
        clockStatusBar->showMessage(text);
}
