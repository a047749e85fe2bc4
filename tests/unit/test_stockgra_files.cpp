// STOCKGRA's pictures and the graph settings as gnuplot receives them: the script a stand-in
// gnuplot is handed (its data rows, plot style, axes and date labels), and a real gnuplot
// drawing the candlesticks into an SVG that holds the title and the dates.
#include "gnuplot_stand_in.hpp"
#include "host/program_run.hpp"
#include "regress/graph/graph_errors.hpp"
#include "regress/stockgra/stockgra_errors.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

using testing::KeepingGnuplot;
using testing::kept_script;
using testing::ScratchDir;
using testing::ScriptRun;

// Four quarters of prices from 1990.1; the third falls (close below open).
const std::string STOCK_DATA = "SMPL 1 4\nTIME 1990.1 4\nREAD HI LO CL OP\n"
                               "12 10 11.5 10.5\n12.5 11 12 11.5\n13 11.5 11.8 12.8\n"
                               "12 10.5 11.9 10.8\n";

TEST(StockgraFiles, ScriptsCarryPricesStylesAndSettings) {
    ScratchDir scratch;
    const KeepingGnuplot gnuplot(scratch);
    {
        // High-low-close: error bars at the close, the rows as high, low, close at each date.
        const ScriptRun r(STOCK_DATA + "STOCKGRA HI LO CL / GRAPH OUTPUT=hlc\n");
        EXPECT_TRUE(r.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("hlc.png"))) << r.output;
        const std::vector<std::string> expected = {
            "set title 'HIGH, LOW, CLOSE OF HI, LO, CL'",
            "set xlabel 'DATE'",
            "set ylabel 'PRICE'",
            "set grid",
            "set key outside top center horizontal",
            "set boxwidth 0.15 absolute",
            "set offsets 0.25, 0.25, 0, 0",
            "$D << EOD",
            "1990 12 10 11.5",
            "1990.25 12.5 11 12",
            "1990.5 13 11.5 11.8",
            "1990.75 12 10.5 11.9",
            "EOD",
            "plot $D using 1:4:3:2 with yerrorbars pointtype 7 pointsize 0.6 title 'HI, LO, CL'",
        };
        EXPECT_EQ(kept_script(scratch), expected);
    }
    {
        // Candlesticks with the settings: shown names, the value axis, dates in their form.
        const ScriptRun r(STOCK_DATA + "NAMEFMT CL 'Close'\nAXISFMT Y / MIN=8 MAX=14 TICKS=3 "
                                       "FORMAT=F5.1\nTIMEFMT YYYY:Q\n"
                                       "STOCKGRA HI LO CL OP / CANDLE DEVICE=SVG OUTPUT=candle\n");
        EXPECT_EQ(r.scalar(R_ERR), 0) << r.output;
        const std::vector<std::string> script = kept_script(scratch);
        ASSERT_GE(script.size(), 12u);
        EXPECT_EQ(script[0], "set title 'CANDLESTICKS OF HI, LO, Close, OP'");
        EXPECT_EQ(script[5], "set yrange [8:14]");
        EXPECT_EQ(script[6], "set ytics 8, 2, 14");
        EXPECT_EQ(script[7], "set format y '%.1f'");
        EXPECT_EQ(script[8], "set xtics ('1990:1' 1990, '1990:2' 1990.25, '1990:3' 1990.5, "
                             "'1990:4' 1990.75)");
        // The third observation carries its open after the close.
        EXPECT_NE(std::find(script.begin(), script.end(), "1990.5 13 11.5 11.8 12.8"),
                  script.end());
        EXPECT_EQ(script.back(), "plot $D using 1:5:3:2:4 with candlesticks title "
                                 "'HI, LO, Close, OP'");
    }
    {
        // GRAPH reads the settings too: a series with its shown name and monthly dates, every
        // second one labelled when there are more than ten.
        const ScriptRun r("SMPL 1 12\nTIME 2001.1 12\nGENR Y = TIME(0)\nNAMEFMT Y 'Real GDP'\n"
                          "TIMEFMT MON YY\nAXISFMT X / TICKS=2\nGRAPH Y / OUTPUT=y\n");
        EXPECT_EQ(r.scalar(R_ERR), 0) << r.output;
        const std::vector<std::string> script = kept_script(scratch);
        ASSERT_GE(script.size(), 8u);
        EXPECT_EQ(script[0], "set title 'Real GDP'");
        EXPECT_EQ(script[5], "set xtics 2001, 0.45833333333333333333, 2001.9166666666666667");
        EXPECT_EQ(script[6],
                  "set xtics ('JAN 01' 2001, 'MAR 01' 2001.1666666666666667, 'MAY 01' "
                  "2001.3333333333333333, 'JUL 01' 2001.5, 'SEP 01' 2001.6666666666666667, "
                  "'NOV 01' 2001.8333333333333333)");
        EXPECT_EQ(script.back(), "plot $D using 1:2 with linespoints pointtype 7 pointsize 0.5 "
                                 "title 'Real GDP'");
    }
}

TEST(StockgraFiles, RealGnuplotDrawsCandles) {
    ScratchDir scratch;
    const ScriptRun r(STOCK_DATA +
                      "TIMEFMT YYYY:Q\nSTOCKGRA HI LO CL OP / CANDLE DEVICE=SVG OUTPUT=candle "
                      "TITLE='Four quarters'\n");
    ASSERT_TRUE(r.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("candle.svg"))) << r.output;
    const std::string svg = testing::file_text(scratch.file("candle.svg"));
    EXPECT_TRUE(testing::contains(svg, "</svg>"));
    EXPECT_TRUE(testing::contains(svg, "Four quarters"));
    EXPECT_TRUE(testing::contains(svg, "1990:3")) << "the dates in TIMEFMT's form";
}

// A high below its low and a close outside them are pinned by the graph/stockgra golden.
TEST(StockgraFiles, OpenOutsideItsHighAndLowNamesTheObservation) {
    const ScriptRun r(STOCK_DATA + "GENR O2 = OP + 9*DUM(TIME(0) .EQ. 2)\nSTOCKGRA HI LO CL O2\n");
    EXPECT_TRUE(r.has_line(" ...ERROR..OPEN OUTSIDE HIGH AND LOW AT OBSERVATION 2 (1990.2): O2 = "
                           "20.5, LO = 11, HI = 12.5"))
        << r.output;
    EXPECT_EQ(r.scalar(R_ERR), ERR_STOCK_OUTSIDE);
}

} // namespace
} // namespace tarvex
