// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the boxes for failed MIDI opens and sends.
#include "windows/FailureBoxes.h"

namespace windows {

using output::Result;
namespace {

const QString kCannotOpenText = QStringLiteral("ＭＩＤＩデバイスが開けません");

// The first line at start-up: the result's own name, or the device that cannot be opened.
QString OpenFailureText(Result result)
{
    switch (result) {
    case Result::Failed:
        return QStringLiteral("ERROR");
    case Result::NoSuchDevice:
        return QStringLiteral("BADDEVICEID");
    case Result::NoSoundOutput:
        return QStringLiteral("NOTENABLED");
    case Result::Busy:
        return QStringLiteral("ALLOCATED");
    case Result::NotOpen:
        return QStringLiteral("指定されたデバイス ハンドルが無効です。");
    case Result::Missing:
        return QStringLiteral("NODRIVER");
    case Result::NoMemory:
        return QStringLiteral("メモリの割り当てまたはロックができません。");
    case Result::Refused:
        return QStringLiteral("INVALPARAM");
    default:
        return kCannotOpenText;
    }
}

// The plain line below it: what the failure means and what the player can do.
QString OpenFailureExplanation(Result result)
{
    switch (result) {
    case Result::NoSuchDevice:
        return QStringLiteral(
            "使えるＭＩＤＩデバイスが見つかりません。デバイス一覧から機器を選んでください。");
    case Result::NoSoundOutput:
        return QStringLiteral("音を出す出力（サウンドカードやサウンドサーバー）が使えません。"
                              "サウンドの設定を確かめるか、デバイス一覧から別の機器を選んでください。");
    case Result::Busy:
        return QStringLiteral("このＭＩＤＩデバイスはほかのソフトが使っています。"
                              "そのソフトを閉じるか、デバイス一覧から別の機器を選んでください。");
    case Result::Missing:
        return QStringLiteral(
            "ＭＩＤＩデバイスが見つかりません。機器が外されたか、音源ソフトやＪＡＣＫサーバーが"
            "止まっているか、内蔵音源のサウンドフォントがありません。用意してからデバイス一覧で選び直してくだ"
            "さい。");
    case Result::NoMemory:
        return QStringLiteral(
            "メモリが足りません。ほかのソフトを閉じてから、デバイス一覧で選び直してください。");
    default:
        return QStringLiteral("ＭＩＤＩデバイスを開けませんでした。機器の接続を確かめるか、"
                              "デバイス一覧から別の機器を選んでください。");
    }
}

} // namespace

void ShowOpenFailure(Desktop& desktop, Result result, OpenMoment moment)
{
    if (result == Result::Ok)
        return;
    desktop.messageBox(moment == OpenMoment::StartUp ? OpenFailureText(result) : kCannotOpenText,
                       OpenFailureExplanation(result));
}

void ShowSendFailure(Desktop& desktop, Result result)
{
    const char* text = nullptr;
    QString explanation;
    switch (result) {
    case Result::Gone:
        text = "error1";
        explanation = QStringLiteral(
            "ＭＩＤＩ機器との接続が切れて、調律を送れませんでした。機器やＪＡＣＫサーバーが"
            "戻れば次の操作でつなぎ直します。戻らないときはデバイス一覧から別の機器を選んでください。");
        break;
    case Result::NotPrepared:
        text = "error2";
        explanation = QStringLiteral(
            "送信の準備ができていなかったので、調律を送れませんでした。もう一度操作してください。");
        break;
    case Result::NotOpen:
        text = "error3";
        explanation = QStringLiteral("ＭＩＤＩデバイスが開いていないので、調律を送れませんでした。"
                                     "デバイス一覧から使える機器を選んでください。");
        break;
    case Result::Refused:
        text = "error4";
        explanation = QStringLiteral(
            "調律のデータを機器が受け付けませんでした。デバイス一覧から機器を選び直してください。");
        break;
    default:
        return;
    }
    desktop.messageBox(QString::fromLatin1(text), explanation);
}

} // namespace windows
