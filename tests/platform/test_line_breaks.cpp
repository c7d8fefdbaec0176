// Where lines may break: at spaces between words, and between the characters of Japanese and
// Chinese text, never before closing punctuation or after opening punctuation.
#include "platform/base/LineBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pieces written out, "|" between pieces joined directly and "_" where spaces stood.
std::string shown(std::string_view paragraph) {
    std::string out;
    for (const TextPiece& piece : textPieces(paragraph)) {
        if (!out.empty()) out += piece.afterSpace ? "_" : "|";
        out += piece.text;
    }
    return out;
}

TEST(LineBreaks, PiecesFollowTheScriptsRules) {
    struct Case {
        const char* paragraph;
        const char* pieces;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"Game over", "Game_over"},
        {"  two   spaces ", "two_spaces"},
        {"Ctrl+Y, Ctrl+Shift+Z", "Ctrl+Y,_Ctrl+Shift+Z"},
        {"Größe ändern", "Größe_ändern"},
        // Japanese: any two characters, but the comma, full stop and small kana stay behind
        // the character before, and an opening bracket with the one after.
        {"時間切れです。", "時|間|切|れ|で|す。"},
        {"ちょっと、「練習」", "ちょっ|と、|「練|習」"},
        {"ゲームオーバー", "ゲー|ム|オー|バー"},
        // Latin words and numbers inside stay whole; spaces still separate.
        {"spheron --game N で盤面", "spheron_--game_N_で|盤|面"},
        {"10位", "10|位"},
        {"（既定 2.5）", "（既|定_2.5）"},
        {"表示: %s", "表|示:_%s"},
        // Chinese.
        {"游戏结束！", "游|戏|结|束！"},
    };
    for (const Case& c : cases) EXPECT_EQ(shown(c.paragraph), c.pieces) << c.paragraph;
}

TEST(LineBreaks, BrokenUtf8LosesNoByte) {
    const std::string paragraph = "a\xE3\x81\xff b\xC3";
    std::string joined;
    for (const TextPiece& piece : textPieces(paragraph)) joined += piece.text;
    EXPECT_EQ(joined, "a\xE3\x81\xff" "b\xC3");
}

} // namespace
