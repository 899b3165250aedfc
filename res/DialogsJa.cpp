// Japanese dialog templates (language 1041): positions in dialog units.
#include "res/StringTables.h"

namespace vornalix::res {

// Data tables: one control or string per line, as the templates list them.
// clang-format off

const std::vector<DialogTemplate>& JapaneseDialogs() {
    static const std::vector<DialogTemplate> dialogs = {
        {102, "Vornalix 設定エージェント, V1.3 RC11.2", 212, 141, "MS UI Gothic", 12, true, { // welcome page
            {1, ControlClass::Button, 87, 120, 50, 14, "次へ", kDefaultPush},
            {2, ControlClass::Button, 147, 120, 50, 14, "キャンセル", kPush},
            {1015, ControlClass::Static, 19, 42, 175, 74, "1\n2\n3\n4\n5\n6\n7\n8\n9", 0},
        }},
        {139, "Vornalix 設定エージェント", 212, 141, "MS UI Gothic", 12, true, { // upgrade mode page
            {1, ControlClass::Button, 87, 120, 50, 14, "次へ", kDefaultPush},
            {2, ControlClass::Button, 147, 120, 50, 14, "キャンセル", kPush},
            {-1, ControlClass::Static, 33, 53, 157, 16, "通常のファームウェア更新に使用します。", 0},
            {-1, ControlClass::Static, 33, 78, 165, 38, "ゲートウェイのファームウェアが壊れているか、応答しない場合に使用します。注意: このモードでは、無線ネットワーク アダプタ (NIC) を使ってファームウェアを更新することはできません。", 0},
            {1021, ControlClass::Button, 20, 41, 100, 10, "通常アップグレード:", kAutoRadio},
            {1022, ControlClass::Button, 19, 66, 100, 10, "緊急アップグレード:", kAutoRadio},
        }},
        {140, "Vornalix 設定エージェント", 212, 153, "MS UI Gothic", 12, true, { // gateway address page
            {1, ControlClass::Button, 100, 131, 50, 14, "次へ", kDefaultPush},
            {1034, ControlClass::Button, 46, 131, 50, 14, "戻る", kPush},
            {-1, ControlClass::Static, 25, 62, 162, 19, "Qel Gateway の Web アドレス (URL) を入力してください。", 0},
            {1002, ControlClass::Edit, 46, 90, 120, 14, "", kAutoScroll},
            {2, ControlClass::Button, 154, 131, 50, 14, "キャンセル", kPush},
        }},
        {141, "Vornalix 設定エージェント", 212, 153, "MS UI Gothic", 12, true, { // gateway information page
            {1, ControlClass::Button, 101, 131, 50, 14, "次へ", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "戻る", kPush},
            {-1, ControlClass::Static, 12, 62, 92, 11, "ハードウェア バージョン:", 0},
            {-1, ControlClass::Static, 12, 85, 92, 18, "ソフトウェア バージョン:", 0},
            {1022, ControlClass::Static, 106, 62, 98, 18, "1.01", 0},
            {1023, ControlClass::Static, 106, 85, 100, 18, "R1.10 WEB Aug. 27, 2001", 0},
            {1024, ControlClass::Button, 16, 131, 50, 14, "DELAY", kPush | kHidden},
            {2, ControlClass::Button, 154, 131, 50, 14, "キャンセル", kPush},
        }},
        {142, "Vornalix 設定エージェント", 212, 153, "MS UI Gothic", 12, true, { // firmware file page (normal path)
            {1, ControlClass::Button, 102, 131, 50, 14, "次へ", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "戻る", kPush},
            {1016, ControlClass::Static, 16, 58, 188, 19, "Qel Gateway にアップロードするファームウェア ファイルを選択してください:", 0},
            {1001, ControlClass::Edit, 16, 81, 120, 14, "", kAutoScroll},
            {3, ControlClass::Button, 140, 80, 50, 14, "参照...", kDefaultPush},
            {2, ControlClass::Button, 157, 131, 47, 14, "キャンセル", kPush},
        }},
        {143, "Vornalix 設定エージェント", 212, 138, "MS UI Gothic", 12, true, { // upload progress page
            {2, ControlClass::Button, 147, 116, 50, 14, "キャンセル", kPush},
            {1005, ControlClass::Progress, 34, 84, 143, 14, "Progress1", kBordered},
            {1011, ControlClass::Static, 17, 43, 176, 32, "Static\nabc\n1\n2", 0},
        }},
        {103, "Vornalix 設定エージェント", 212, 153, "MS UI Gothic", 12, true, { // firmware and adapter page (emergency path)
            {1, ControlClass::Button, 101, 131, 50, 14, "次へ", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "戻る", kPush},
            {1016, ControlClass::Static, 16, 42, 188, 19, "Qel Gateway にアップロードするファームウェア ファイルを選択してください:", 0},
            {1001, ControlClass::Edit, 16, 65, 120, 14, "", kAutoScroll},
            {3, ControlClass::Button, 140, 64, 50, 14, "参照...", kDefaultPush},
            {1002, ControlClass::ComboBox, 16, 110, 178, 30, "", kAutoScroll | kDropDownList | kVScrollAlways},
            {1013, ControlClass::Static, 16, 86, 176, 19, "Qel Gateway との接続に使っているネットワーク アダプタを選択して、「次へ」をクリックしてください:", 0},
            {2, ControlClass::Button, 154, 131, 50, 14, "キャンセル", kPush},
        }},
        {104, "Vornalix 設定エージェント", 212, 138, "MS UI Gothic", 12, true, { // emergency transfer page
            {1034, ControlClass::Button, 99, 116, 50, 14, "戻る", kPush},
            {1005, ControlClass::Progress, 34, 91, 143, 14, "Progress1", kBordered},
            {1008, ControlClass::Button, 7, 116, 33, 14, "UPDATE", kPush | kHidden},
            {1011, ControlClass::Static, 13, 45, 180, 16, "Static\nabc", 0},
            {1014, ControlClass::Static, 13, 61, 191, 19, "TRANSFER\nA", 0},
            {1010, ControlClass::Button, 29, 116, 32, 14, "DL_FAIL", kPush | kHidden},
            {1, ControlClass::Button, 50, 116, 39, 14, "SUCCESS", kPush | kHidden},
            {2, ControlClass::Button, 154, 116, 50, 14, "キャンセル", kPush},
        }},
        {105, "Vornalix 設定エージェント", 212, 143, "MS UI Gothic", 12, true, { // outcome page
            {1, ControlClass::Button, 88, 122, 50, 14, "再試行", kDefaultPush},
            {2, ControlClass::Button, 145, 122, 50, 14, "終了", kPush},
            {1017, ControlClass::Static, 13, 40, 185, 78, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10", 0},
            {-1, ControlClass::Static, 53, 100, 8, 8, "", 0},
            {1033, ControlClass::Button, 143, 122, 50, 14, "次へ", kPush | kHidden},
        }},
        {106, "Vornalix 設定エージェント", 212, 146, "MS UI Gothic", 12, true, { // final page
            {2, ControlClass::Button, 144, 127, 50, 14, "終了", kDefaultPush},
            {1, ControlClass::Button, 85, 127, 50, 14, "再試行", kPush},
            {1012, ControlClass::Static, 16, 60, 178, 54, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11", 0},
        }},
        {138, "VORNALIX", 187, 70, "System", 10, false, { // restart prompt
            {1, ControlClass::Button, 124, 49, 50, 14, "閉じる", kDefaultPush},
            {1032, ControlClass::Static, 13, 14, 167, 30, "1\n2\n3\n4\n", 0},
            {1030, ControlClass::Button, 55, 49, 58, 14, "今すぐ再起動", kPush | kHidden},
            {1031, ControlClass::Button, 119, 49, 58, 14, "後で再起動", kPush | kHidden},
        }},
        {150, "vornalix", 200, 92, "MS UI Gothic", 12, false, { // password prompt
            {1050, ControlClass::Static, 7, 7, 186, 20, "Qel Gateway にアクセスするには、ユーザー名とパスワードが必要です。", 0},
            {-1, ControlClass::Static, 7, 33, 52, 10, "ユーザー名:", 0},
            {1051, ControlClass::Edit, 62, 31, 131, 14, "", kAutoScroll},
            {-1, ControlClass::Static, 7, 52, 52, 10, "パスワード:", 0},
            {1052, ControlClass::Edit, 62, 50, 131, 14, "", kAutoScroll | kPassword},
            {1, ControlClass::Button, 86, 72, 50, 14, "OK", kDefaultPush},
            {2, ControlClass::Button, 143, 72, 50, 14, "キャンセル", kPush},
        }},
    };
    return dialogs;
}

// clang-format on

} // namespace vornalix::res
