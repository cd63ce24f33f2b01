#pragma once
// Every text the acquisition control shows: captions, message-area lines,
// questions and notices (UTF-8). Kept in one place so tests compare against
// the same bytes the program shows.

namespace vmf::acq {

// Start/Stop button 1001 captions.
inline constexpr const char* kCaptionStart = "開始";
inline constexpr const char* kCaptionStop = "停止";

// Cycle (message area).
inline constexpr const char* kMsgPressStop = "停止ボタンを押すことで計測を停止します";
inline constexpr const char* kMsgPressStart =
    "露光時間、平均回数を設定して開始ボタンを押すことで計測を開始します";
// printf format; the gap is one full-width space U+3000.
inline constexpr const char* kFmtMeasuringElapsed = "計測中　経過時間 %2d sec";
// Notice when the averaging count cannot give an average.
inline constexpr const char* kNoticeAverageTooSmall = "平均回数は1以上を設定してください";
// Notice when the store's heads are not the detected ones; printf format with
// the store's and the detected serial numbers.
inline constexpr const char* kFmtNoticeHeadsDiffer =
    "表示中のデータのヘッド (%s) は、検出したヴァルネロ (%s) "
    "と一致しないため、計測を開始できません。"
    "このまま計測すると、記録が別のヘッドの名前で残ります。\n"
    "新しく計測するには、解除してからもう一度検出してください（表示中のデータはクリアされます）。"
    "このヴァルネロで記録したファイルに続けて計測するには、そのファイルを開いてください。";

// Mode buttons 1008..1010: first and second line per mode.
inline constexpr const char* kMsgModeLine1[3] = {
    "光源を測定します",
    "反射率を測定します（ホワイト設定が必要になります）",
    "透過率を測定します（透過１００％設定が必要になります）",
};
inline constexpr const char* kMsgModeLine2[3] = {
    "波長別感度補正モードで計測をします",
    "波長別感度補正モード/補正なしを選択できます",
    "波長別感度補正モード/補正なしを選択できます",
};

// Logging box 1014.
inline constexpr const char* kMsgLoggingOn1 = "記録モードに設定しました";
inline constexpr const char* kMsgLoggingOn2 = "計測開始をすると、データを記録します";
inline constexpr const char* kMsgLoggingOff1 = "記録モードを解除しました";
inline constexpr const char* kMsgLoggingOff2 = "計測開始をすると、最後のデータのみ記録します";

// Interval box 1016.
inline constexpr const char* kMsgIntervalOff = "計測を最短で実行します";
inline constexpr const char* kMsgIntervalOn1 = "計測を指定した間隔で実行します";
inline constexpr const char* kMsgIntervalOn2 = "間隔をｍｓで設定してください";

// Sensitivity box 1018.
inline constexpr const char* kMsgSensitivityOn = "波長別感度補正を設定します";
inline constexpr const char* kMsgSensitivityOff = "波長別感度補正を解除します";

// Selected-only box 1019.
inline constexpr const char* kMsgSelectedOnlyOn = "選択したヴァルネロのデータのみ表示します。";
inline constexpr const char* kMsgSelectedOnlyOff = "全ヴァルネロのデータを表示します。";

// Dark measurement 1053.
inline constexpr const char* kNoticeDarkRecordsPresent =
    "ダーク計測をすると以前のデータが変わってしまいます。先にデータを保存し、データクリアを押してく"
    "ださい";
inline constexpr const char* kAskDarkShade =
    "ヴァルネロを遮光してください。ダーク計測には数秒かかります。よろしいですか?";
inline constexpr const char* kFmtBlankElapsed = "空計測中　経過時間 %2d sec";
inline constexpr const char* kFmtDarkElapsed = "ダーク計測中　経過時間 %2d sec";
inline constexpr const char* kMsgBlankBegin = "空の１秒計測を実施します";
inline constexpr const char* kMsgBlankEnd = "空の１秒計測を実施しました";
inline constexpr const char* kMsgDarkBegin = "ダークの１秒計測を実施します";
inline constexpr const char* kMsgDarkEnd = "ダークの１秒計測を終了しました";
inline constexpr const char* kAskDarkRegister = "ダーク計測を終了しました。装置へ登録しますか?";
inline constexpr const char* kMsgDarkRegistering = "ダーク登録中";
inline constexpr const char* kMsgDarkDone = "装置への登録を終了しました。計測が可能です";

// Reference registration 1020 / 1021 and the hidden dark re-registration 1040.
inline constexpr const char* kMsgRegisterLine2 = "選択したヴァルネロ、現在表示データを登録します。";
inline constexpr const char* kMsgRegisterWhite1 =
    "反射率測定のための白色板での測定値を登録します。";
inline constexpr const char* kAskRegisterWhite = "白色板での測定値を登録しますか";
inline constexpr const char* kMsgRegisterTrans1 =
    "透過率測定のための透明状態での測定値を登録します。";
inline constexpr const char* kAskRegisterTrans = "透過１００％での測定値を登録しますか";
// After an OK that found no measured record on display: nothing was stored.
inline constexpr const char* kMsgNothingRegistered1 =
    "表示中の計測データがないため、何も登録しませんでした。";
inline constexpr const char* kMsgNothingRegistered2 =
    "計測して記録を表示してから、もう一度設定してください。";
inline constexpr const char* kMsgRegisterDark1 = "光のないときのデータ（ダーク）を登録します。";
inline constexpr const char* kAskRegisterDark = "光のない測定値（ダーク）を登録しますか";

// The recovery journal. At Start, when none can be made (printf: the reason);
// measuring goes on.
inline constexpr const char* kFmtNoJournal =
    "記録ジャーナルを作成できません。\n(%s)\n\n"
    "計測は続けますが、保存するまでの記録は異常終了に備えて保護されません。";
// A journal write or sync failed while measuring (printf: the reason): the
// measurement stops; OK saves the records now.
inline constexpr const char* kFmtAskSaveAfterJournalFailure =
    "記録ジャーナルに書き込めなくなったため、計測を停止しました。\n(%s)\n\n"
    "ここまでの記録はまだ保存されていません。いま保存しますか?";
// The history entry of that stop (printf: the record shown).
inline constexpr const char* kFmtHistoryJournalFailed = "記録ジャーナル書込み失敗 DataNo=%d";

}  // namespace vmf::acq
