#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The colour patterns: builds a colour table of finished pixel values for a pattern number
// and holds the pattern names shown in the pattern combo box.
class CColorPattern {
public:
    static constexpr int kPatternCount = 10;

    explicit CColorPattern(int bitCount);
    virtual ~CColorPattern();

    // The pattern names in pattern-number order, followed by the end marker "END".
    std::vector<std::string> PatternNames() const;

    // Fills table[0 .. count - 1] for the pattern. Numbers outside 1..9 build pattern 0.
    // Does nothing for a null table or count < 1.
    void BuildPalette(uint32_t* table, int count, int pattern) const;

    int m_bitCount;

private:
    void BuildGreyTriangle(uint32_t* table, int count) const;
    void BuildGreySawtooth(uint32_t* table, int count) const;
    static void BuildRawValues(uint32_t* table, int count);
};
