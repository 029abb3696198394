// SPDX-License-Identifier: GPL-3.0-or-later
// TForm1, the main window: start-up, settings, devices, keyboard, reference A, device switch, close.
#include "tessalyUnit1.h"

#include "game/KeyMap.h"
#include "game/Report.h"
#include "game/Version.h"
#include "platform/Desktop.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "tessalyUnit2.h"
#include "tessalyUnit4.h"
#include "tessalyUnit5.h"
#include "tessalyUnit7.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

TForm1* Form1 = nullptr;

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

TForm1::TForm1()
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
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(18);
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    History = std::make_unique<PlayHistory>(StatusBar1);
    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();
    ui::InstallKeyPreview(
        this, [this](int key) { FormKeyDown(key); },
        [this](int key) {
            FormKeyUp(key);
            ReleaseReferenceKeyElsewhere(this);
        });
    ui::OnActivate(this, [this] { FormActivate(); });
}

TForm1::~TForm1()
{
    midi::OnDeviceReturned(nullptr);
}

void TForm1::createKeyboard(QWidget* client)
{
    // White keys first, so that the black keys lie above them and take the mouse where they overlap.
    for (bool black : {false, true})
        for (const auto& key : game::PianoKeys()) {
            if (key.black != black)
                continue;
            const QSize size = black ? QSize(game::kBlackKeyWidth, game::kBlackKeyHeight)
                                     : QSize(game::kWhiteKeyWidth, game::kWhiteKeyHeight);
            auto* shape = new ui::Shape(client, {QPoint(key.left, 0), size}, black ? Qt::black : Qt::white);
            shape->setObjectName(QStringLiteral("Shape%1").arg(key.shape));
            connect(shape, &ui::Shape::mouseDown, this, [this, n = key.shape] { ShapeMouseDown(n); });
            connect(shape, &ui::Shape::mouseUp, this, [this, n = key.shape] { ShapeMouseUp(n); });
            shapes_[key.shape - 1] = shape;
        }
}

void TForm1::createControls(QWidget* client)
{
    // The device list comes first in the tab order, so it has the focus at start.
    ComboBox1 = new QComboBox(client);
    ComboBox1->setGeometry(152, 120, 177, ComboBox1->sizeHint().height());
    ComboBox1->setEditable(false);
    ui::KeepKeysFromList(
        ComboBox1, [this](int key) { FormKeyDown(key); }, [this](int key) { FormKeyUp(key); });
    connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);

    Button1 = new ui::Button(client, QStringLiteral("A音"), {8, 120, 65, 25});
    connect(Button1, &ui::Button::mouseDown, this, &TForm1::Button1MouseDown);
    connect(Button1, &ui::Button::mouseUp, this, &TForm1::Button1MouseUp);
    ui::OnControlKeys(
        Button1, [this] { Button1KeyDown(); }, [this] { Button1KeyUp(); });

    Button2 = new ui::Button(client, QStringLiteral("ヒント(&H)"), {80, 120, 65, 25});
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

    const QString credit =
        QString::fromLatin1(game::kVersionLine) + QStringLiteral("　制作：Velmora 開発チーム");
    Label1 = new ui::Label(client, credit, {8, 152});
    connect(Label1, &ui::Label::clicked, this, &TForm1::Label1Click);

    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, Button2);
    ComboBox1->setFocus();
}

void TForm1::createMenu()
{
    N1 = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    N2 = N1->addAction(QStringLiteral("難易度の設定(&N)"), this, &TForm1::N2Click);
    N3 = N1->addAction(QStringLiteral("楽器の設定(&G)"), this, &TForm1::N3Click);
    N4 = menuBar()->addMenu(QStringLiteral("記録(&R)"));
    N5 = N4->addAction(QStringLiteral("成績の推移(&K)…"), this, &TForm1::N5Click);
    PracticeMenu = menuBar()->addMenu(QStringLiteral("練習(&P)"));
    BeatWindowEntry =
        PracticeMenu->addAction(QStringLiteral("うなりの聴き比べ(&B)…"), this, &TForm1::showBeatWindow);
}

// ---- Start-up -------------------------------------------------------------------------------

void TForm1::FormCreate()
{
    ReferenceToneUsed = false;
    BeatWindowUsed = false;
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
    if (const MMRESULT result = OpenOutputWithRetry(); result != MMSYSERR_NOERROR)
        platform::ShowMessage(OpenErrorText(result), OpenErrorExplanation(result));
    SendGsReset(midi::kWaitAfterGsResetAtStart);
    TuningStartTime = platform::Now();
    midi::OnDeviceReturned([this] {
        deviceReturnedAt_ = platform::Now();
        Timer1Timer();
    });
    startedUp_ = true;
}

void TForm1::placeWindow(const game::WindowBounds& stored)
{
    storedBounds_ = stored;
    // Bounds that would leave the window off screen or unusable are not applied as they stand.
    appliedBounds_ = game::PlacedOnScreen(storedBounds_, minimumSize(), ScreenAreas());
    ui::SetBounds(this,
                  {appliedBounds_.left, appliedBounds_.top, appliedBounds_.width, appliedBounds_.height});
}

void TForm1::listDevices()
{
    ComboBox1->clear();
    ListedDeviceIds.clear();
    for (UINT id = 0; id < UINT(DeviceCount); ++id) {
        MIDIOUTCAPSA caps;
        if (midiOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        ListedDeviceIds.push_back(std::int32_t(id));
        ComboBox1->addItem(QString::fromUtf8(caps.szPname));
    }
}

// The saved number is tried as a list position; when the name there is not the saved name, the
// first entry bearing that name is chosen, so a device is kept when the numbering moves.
void TForm1::selectSavedDevice(int savedPosition, const QString& savedName)
{
    if (ListedDeviceIds.empty()) {
        SelectedDeviceId = -1; // every device failed its capability query: nothing to open
        return;
    }
    int position = savedPosition >= 0 && savedPosition < ComboBox1->count() ? savedPosition : 0;
    if (ComboBox1->itemText(position) != savedName)
        position = std::max(0, ComboBox1->findText(savedName, Qt::MatchExactly | Qt::MatchCaseSensitive));
    ComboBox1->setCurrentIndex(position);
    SelectedDeviceId = ListedDeviceIds[position];
}

MMRESULT TForm1::OpenOutputWithRetry()
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

void TForm1::FormActivate()
{
    if (Form2)
        Form2->show();
}

// ---- Close ----------------------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    QCoreApplication::exit(0);
}

void TForm1::FormClose()
{
    if (!startedUp_ || closed_)
        return;
    closed_ = true;
    restoreTuningAndClosePort();
    saveSettings();
}

void TForm1::restoreTuningAndClosePort()
{
    std::array<std::uint8_t, midi::kPitchClasses> equalTemperament;
    equalTemperament.fill(midi::gs::kScaleTuningCentre);
    midi::FillScaleTuningMessage(equalTemperament);
    midi::SendScaleTuningMessage(midi::kWaitAfterNewChallenge);
    midiOutClose(MidiOutPort);
}

void TForm1::saveSettings()
{
    game::WriteSavedSettings(SettingsFile, {.window = boundsToSave(),
                                            .deviceNumber = SelectedDeviceId,
                                            .deviceName = ComboBox1->currentText(),
                                            .mapValue = MapValue});
    const QString path = game::SettingsLocationOfThisProgram().pathToWrite();
    if (!SettingsFile.save(path))
        platform::ShowMessage(kCannotSaveText.arg(path), kCannotSaveExplanation);
    SettingsFile = game::IniDocument();
}

// The bounds as read while the window still stands where they put it, so that values no screen
// could show are kept as the player wrote them; else where the player put it. A maximized or
// minimized window keeps its normal bounds.
game::WindowBounds TForm1::boundsToSave() const
{
    QRect inside = geometry();
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        inside = normalGeometry();
    const QPoint frame = inside.topLeft() + (pos() - geometry().topLeft());
    const game::WindowBounds now{frame.x(), frame.y(), inside.width(), inside.height()};
    return now == appliedBounds_ ? storedBounds_ : now;
}

// ---- Device switch --------------------------------------------------------------------------

void TForm1::ComboBox1Change()
{
    midi::SendAllSoundOff(kChannel10);
    midiOutClose(MidiOutPort);
    SelectedDeviceId = ListedDeviceIds[std::size_t(ComboBox1->currentIndex())];
    if (const MMRESULT result = OpenOutputWithRetry(); result != MMSYSERR_NOERROR)
        platform::ShowMessage(kCannotOpenText, OpenErrorExplanation(result));
    midiOutReset(MidiOutPort);
    SendGsReset(midi::kWaitAfterGsResetAtSwitch);
    SendScaleTuning();
}

// ---- Keyboard -------------------------------------------------------------------------------

void TForm1::paintKey(int note, bool held)
{
    for (const auto& key : game::PianoKeys())
        if (key.note == note)
            Shape(key.shape)->setFill(held ? Qt::red : key.black ? Qt::black : Qt::white);
}

void TForm1::ShapeMouseDown(int shape)
{
    CurrentNote = game::PianoKeyOfShape(shape).note;
    CurrentNoteOn();
    paintKey(CurrentNote, true);
}

void TForm1::ShapeMouseUp(int shape)
{
    CurrentNote = game::PianoKeyOfShape(shape).note;
    CurrentNoteOff();
    paintKey(CurrentNote, false);
}

void TForm1::FormKeyDown(int key)
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

void TForm1::FormKeyUp(int key)
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

void TForm1::Button1MouseDown()
{
    ReferenceOn();
}

void TForm1::Button1MouseUp()
{
    ReferenceOff();
}

void TForm1::Button1KeyDown()
{
    if (ReferenceKeyHeld)
        return;
    ReferenceKeyHeld = true;
    ReferenceOn();
}

void TForm1::Button1KeyUp()
{
    ReferenceKeyHeld = false;
    ReferenceOff();
}

// A key that sounded the reference A on "A音" and moved the focus away (Tab, an arrow) is released
// on another control: its release still ends the reference A. A release that goes on to "A音"
// (the focused control of `window`) ends it there, in Button1KeyUp.
void TForm1::ReleaseReferenceKeyElsewhere(const QWidget* window)
{
    if (ReferenceKeyHeld && window->focusWidget() != Button1)
        Button1KeyUp();
}

// ---- Settings menu through a challenge --------------------------------------------------------

void TForm1::lockSettings()
{
    for (auto [dialog, entry] : {std::pair<QWidget*, QAction*>{Form5, N2}, {Form7, N3}}) {
        if (dialog) {
            dialog->setEnabled(false);
            dialog->hide();
        }
        entry->setEnabled(false);
    }
}

void TForm1::unlockDifficulty()
{
    Form5->setEnabled(true);
    N2->setEnabled(true);
}

void TForm1::unlockSettings()
{
    N1->setEnabled(true);
    N2->setEnabled(true);
    Form5->setEnabled(true);
    N3->setEnabled(true);
    Form7->setEnabled(true);
}

void TForm1::Button2Click()
{
    Form4->show();
}

void TForm1::N2Click()
{
    Form5->show();
}

void TForm1::N3Click()
{
    Form7->show();
}

void TForm1::N5Click()
{
    History->showWindow();
}

void TForm1::showBeatWindow()
{
    if (!Beats)
        Beats = std::make_unique<BeatWindow>(beatWindowLinks());
    Beats->show();
    Beats->raise();
    Beats->activateWindow();
}

// The beat window plays on channel 1 as the keys do, so it sounds in the tuning last sent.
BeatWindowLinks TForm1::beatWindowLinks()
{
    return {.sound = [](int note,
                        bool on) { (on ? midi::SendNoteOn : midi::SendNoteOff)(midi::kKeysChannel, note); },
            .showKey = [this](int note, bool held) { paintKey(note, held); },
            .tuning =
                [] {
                    history::Cents cents{};
                    if (ScaleTuningMessage.front() == midi::kSystemExclusive) // sent at least once
                        for (std::size_t k = 0; k < cents.size(); ++k)
                            cents[k] =
                                ScaleTuningMessage[midi::gs::kDataOffset + k] - midi::gs::kScaleTuningCentre;
                    return cents;
                },
            .emphasis = [] { return platform::BeatEmphasisOf(MidiOutPort); },
            .used = [] { BeatWindowUsed = true; }};
}

void TForm1::Label1Click()
{
    platform::CurrentDesktop().playClip();
}

void TForm1::Timer1Timer()
{
    const QDateTime now = platform::Now();
    // For a while after the device came back, the status bar says so instead of showing the time.
    const bool deviceJustReturned =
        deviceReturnedAt_.isValid() && deviceReturnedAt_.msecsTo(now) < kDeviceReturnedNoticeMs;
    // Ten ticks a second, one new text a second: the status bar is repainted only when it changes.
    const QString text =
        deviceJustReturned ? kDeviceReturnedText : game::DateTimeText(now, QLocale::system());
    if (text != StatusBar1->currentMessage())
        StatusBar1->showMessage(text);
}
