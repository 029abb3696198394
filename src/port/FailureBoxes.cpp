// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the boxes for failed MIDI opens and sends.
#include "port/FailureBoxes.h"

#include "platform/Desktop.h"

namespace midi {
namespace {

const QString kCannotOpenText = QStringLiteral("ＭＩＤＩデバイスが開けません");

// The first line at start-up: the result's own name, or the device that cannot be opened.
QString OpenFailureText(Result result)
{
    switch (result) {
    case Result::Error:
        return QStringLiteral("ERROR");
    case Result::BadDeviceId:
        return QStringLiteral("BADDEVICEID");
    case Result::NotEnabled:
        return QStringLiteral("NOTENABLED");
    case Result::Allocated:
        return QStringLiteral("ALLOCATED");
    case Result::InvalidHandle:
        return QStringLiteral("指定されたデバイス ハンドルが無効です。");
    case Result::NoDriver:
        return QStringLiteral("NODRIVER");
    case Result::NoMemory:
        return QStringLiteral("メモリの割り当てまたはロックができません。");
    case Result::NotSupported:
        return QStringLiteral("NOTSUPPORTED");
    case Result::BadErrorNumber:
        return QStringLiteral("BADERRNUM");
    case Result::InvalidFlag:
        return QStringLiteral("INVALFLAG");
    case Result::InvalidParameter:
        return QStringLiteral("INVALPARAM");
    case Result::HandleBusy:
        return QStringLiteral("HANDLEBUSY");
    case Result::InvalidAlias:
        return QStringLiteral("INVALIDALIAS");
    case Result::LastError:
        return QStringLiteral("LASTERROR");
    default:
        return kCannotOpenText;
    }
}

// The plain line below it: what the failure means and what the player can do.
QString OpenFailureExplanation(Result result)
{
    switch (result) {
    case Result::BadDeviceId:
        return QStringLiteral(
            "使えるＭＩＤＩデバイスが見つかりません。デバイス一覧から機器を選んでください。");
    case Result::NotEnabled:
        return QStringLiteral("音を出す出力（サウンドカードやサウンドサーバー）が使えません。"
                              "サウンドの設定を確かめるか、デバイス一覧から別の機器を選んでください。");
    case Result::Allocated:
        return QStringLiteral("このＭＩＤＩデバイスはほかのソフトが使っています。"
                              "そのソフトを閉じるか、デバイス一覧から別の機器を選んでください。");
    case Result::NoDriver:
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

void ShowOpenFailure(Result result, OpenMoment moment)
{
    if (result == Result::Ok)
        return;
    platform::ShowMessage(moment == OpenMoment::StartUp ? OpenFailureText(result) : kCannotOpenText,
                          OpenFailureExplanation(result));
}

void ShowSendFailure(Result result)
{
    const char* text = nullptr;
    QString explanation;
    switch (result) {
    case Result::NotReady:
        text = "error1";
        explanation = QStringLiteral(
            "ＭＩＤＩ機器との接続が切れて、調律を送れませんでした。機器やＪＡＣＫサーバーが"
            "戻れば次の操作でつなぎ直します。戻らないときはデバイス一覧から別の機器を選んでください。");
        break;
    case Result::Unprepared:
        text = "error2";
        explanation = QStringLiteral(
            "送信の準備ができていなかったので、調律を送れませんでした。もう一度操作してください。");
        break;
    case Result::InvalidHandle:
        text = "error3";
        explanation = QStringLiteral("ＭＩＤＩデバイスが開いていないので、調律を送れませんでした。"
                                     "デバイス一覧から使える機器を選んでください。");
        break;
    case Result::InvalidParameter:
        text = "error4";
        explanation = QStringLiteral(
            "調律のデータを機器が受け付けませんでした。デバイス一覧から機器を選び直してください。");
        break;
    default:
        return;
    }
    platform::ShowMessage(QString::fromLatin1(text), explanation);
}

} // namespace midi
