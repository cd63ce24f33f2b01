#pragma once
// Every text the calibration table dialog shows (UTF-8), in one place so
// tests compare against the bytes the program shows.

namespace vmf::mnt {

inline constexpr const char* kTitle = "Setting";
inline constexpr const char* kCaptionFile = "ファイル";
inline constexpr const char* kCaptionSet = "設定";
inline constexpr const char* kCaptionInitialise = "初期化";
inline constexpr const char* kCaptionDark = "ダーク計測";
inline constexpr const char* kCaptionGain = "ゲイン設定";
inline constexpr const char* kCaptionWrite = "装置へ書き込む";
inline constexpr const char* kCaptionSaveCsv = "CSVファイルへ保存";
// The gaps are full-width spaces U+3000.
inline constexpr const char* kTableHeading =
    "　　波長　ゲイン　ホワイト　透過１００％　ダーク（２１ステップ）";

inline constexpr const char* kCsvFilter = "csv file (*.csv)";
inline constexpr const char* kOpenListTitle = "係数リストファイルを開く";
inline constexpr const char* kSaveCsvTitle = "CSVファイルへ保存";

// Completion.
inline constexpr const char* kDarkFinished = "ダーク計測を終了しました";
inline constexpr const char* kGainMeasured = "ゲインを計測しました";
inline constexpr const char* kWriteDone = "装置への書込みを完了しました";

// Refusals.
inline constexpr const char* kRefuseMeasuring =
    "計測中は実行できません。計測を停止してから実行してください";
inline constexpr const char* kGainNoChannelAbove400 =
    "400nmより長い波長のチャンネルがないため、ゲインを計測できません。ゲインは変更していません";
inline constexpr const char* kGainNoSignal =
    "光が検出されないため、ゲインを計測できません。ゲインは変更していません";
// printf format: the 1-based channel number.
inline constexpr const char* kFmtGainNotFinite =
    "チャンネル %d のゲインが求められないため、ゲインを計測できません。ゲインは変更していません";
// "設定": a serial the head cannot take, and a write the head refused
// (printf format: what failed).
inline constexpr const char* kSerialRefused =
    "シリアル番号は7文字以上必要です。シリアル番号は書き込んでいません";
inline constexpr const char* kFmtSetFailed = "装置への書込みに失敗しました（%s）";
// "装置へ書き込む" (printf format: what failed, UTF-8 text).
inline constexpr const char* kFmtWriteFailed =
    "装置への書込みに失敗しました（%s）。装置の表は途中まで書き込まれている可能性があります";

}  // namespace vmf::mnt
