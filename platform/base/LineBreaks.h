#pragma once
// Where a paragraph may be broken into lines. Words are separated by spaces, but Chinese and
// Japanese are written without them: there a line may break between any two characters, except
// before closing punctuation, small kana and the long-vowel mark, and after opening punctuation.
// Latin words and numbers inside such text stay whole. Standard library only.
#include <string_view>
#include <vector>

struct TextPiece {
    std::string_view text; // never empty, never holds a space
    bool afterSpace;       // set apart from the piece before by spaces (else joined to it directly)
};

// The pieces of `paragraph` (one line of text, UTF-8) between which lines may break, in order;
// spaces are dropped. Joining them back (a space where `afterSpace`) gives the paragraph with its
// runs of spaces made single and those at its ends dropped.
std::vector<TextPiece> textPieces(std::string_view paragraph);
