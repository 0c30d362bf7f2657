// The symbols of figure texts as the notation writes them.
#include <gtest/gtest.h>

#include "plots/draw/notation.hpp"

namespace {

TEST(Notation, EquationOfStateSymbolsTakeSubscriptsAndPrimes) {
    EXPECT_EQ(typesetNotation("BM3: K0 = 318(7) GPa, K′ = 4.0(4)"), "BM3: K₀ = 318(7) GPa, K′ = 4.0(4)");
    EXPECT_EQ(typesetNotation("V0 (Å³) or x0 (Å)"), "V₀ (Å³) or x₀ (Å)");
    EXPECT_EQ(typesetNotation("K0,Kp,Kpp"), "K₀,K′,K″");
    // A coefficient before the symbol leaves it whole.
    EXPECT_EQ(typesetNotation("a line of slope 3K0(K′ − 4)/2"), "a line of slope 3K₀(K′ − 4)/2");
}

TEST(Notation, GreekLettersForTheirNames) {
    EXPECT_EQ(typesetNotation("no convergence: nu tends to 0"), "no convergence: ν tends to 0");
    EXPECT_EQ(typesetNotation("ε = ε0 + λ(P − Pc)^ν"), "ε = ε₀ + λ(P − Pc)^ν");
    EXPECT_EQ(typesetNotation("eps0 and lambda"), "ε₀ and λ");
}

TEST(Notation, OnlyWholeWordsChange) {
    for (const char* text : {"menu", "nuance", "K00", "BK0", "a0b", "V0_x", "kPa", "Pc", "", "T = 23 °C"})
        EXPECT_EQ(typesetNotation(text), text) << text;
}

}  // namespace
