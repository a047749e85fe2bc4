// GRAPH, CONFIDEN and OLS / GNUPLOT as a user meets them: every kind of picture written as PNG
// and SVG and opened (the PNG decoded and its size and colours looked at, the SVG parsed for
// its drawn elements and title), gnuplot missing, failing, hanging or writing nothing, and the
// confidence region's numbers against R.
#include "child_limits.hpp"
#include "host/program_run.hpp"
#include "regress/graph/confidence_region.hpp"
#include "regress/graph/graph_errors.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>
#include <set>
#include <zlib.h>

namespace tarvex {
namespace {

using testing::ScratchDir;
using testing::ScriptRun;

// The data every picture draws from: a trend with a wave on it, and its regression.
const std::string GRAPH_DATA = "SMPL 1 30\nGENR T = TIME(0)\nGENR Y = 2 + 0.5*T + SIN(T)\n"
                               "GENR Z = 10 - 0.3*T + 2*SIN(T/2)\n?OLS Y T\n";

std::uint32_t big_endian(const std::string& s, std::size_t at) {
    return (std::uint32_t(std::uint8_t(s[at])) << 24) |
           (std::uint32_t(std::uint8_t(s[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

struct Png {
    bool ok = false;
    std::uint32_t width = 0, height = 0;
    std::size_t colours = 0; // distinct pixel values
};

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Reads the chunks, inflates the image data, undoes the row filters and counts the colours
// (8-bit grey, RGB, grey-alpha or RGBA, not interlaced: what gnuplot's cairo terminal writes).
Png read_png(const std::string& file) {
    Png png;
    const std::string s = testing::file_text(file);
    if (s.size() < 33 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || s.compare(12, 4, "IHDR") != 0)
        return png;
    png.width = big_endian(s, 16);
    png.height = big_endian(s, 20);
    const int depth = std::uint8_t(s[24]), type = std::uint8_t(s[25]),
              interlace = std::uint8_t(s[28]);
    const int channels = type == 0 ? 1 : type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 0;
    if (depth != 8 || channels == 0 || interlace != 0) return png;
    std::string compressed;
    for (std::size_t at = 8; at + 8 <= s.size();) {
        const std::uint32_t length = big_endian(s, at);
        if (s.compare(at + 4, 4, "IDAT") == 0) compressed += s.substr(at + 8, length);
        at += 12 + length;
    }
    const std::size_t stride = std::size_t(png.width) * channels;
    std::vector<unsigned char> raw((stride + 1) * png.height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                   compressed.size()) != Z_OK ||
        size != raw.size())
        return png;
    std::vector<unsigned char> previous(stride, 0), row(stride);
    std::set<std::string> seen;
    for (std::uint32_t y = 0; y < png.height; ++y) {
        const unsigned char* line = raw.data() + y * (stride + 1);
        const int filter = line[0];
        for (std::size_t x = 0; x < stride; ++x) {
            const int a = x >= std::size_t(channels) ? row[x - channels] : 0;
            const int b = previous[x], c = x >= std::size_t(channels) ? previous[x - channels] : 0;
            const int predicted = filter == 1   ? a
                                  : filter == 2 ? b
                                  : filter == 3 ? (a + b) / 2
                                  : filter == 4 ? paeth(a, b, c)
                                                : 0;
            row[x] = static_cast<unsigned char>(line[1 + x] + predicted);
        }
        for (std::size_t x = 0; x < stride && seen.size() < 1000; x += channels)
            seen.insert(std::string(row.begin() + x, row.begin() + x + channels));
        previous = row;
    }
    png.colours = seen.size();
    png.ok = true;
    return png;
}

struct Svg {
    bool well_formed = false;
    int paths = 0;    // path, polyline and polygon elements
    std::string text; // the character data of the text elements
};

// A small XML walk: every tag closed in order, comments and declarations skipped.
Svg read_svg(const std::string& file) {
    Svg svg;
    const std::string s = testing::file_text(file);
    std::vector<std::string> open;
    bool in_text = false;
    for (std::size_t at = 0; at < s.size();) {
        const std::size_t lt = s.find('<', at);
        if (lt == std::string::npos) break;
        if (in_text) svg.text += s.substr(at, lt - at);
        if (s.compare(lt, 4, "<!--") == 0) {
            at = s.find("-->", lt);
            if (at == std::string::npos) return svg;
            at += 3;
            continue;
        }
        const std::size_t gt = s.find('>', lt);
        if (gt == std::string::npos) return svg;
        const std::string tag = s.substr(lt + 1, gt - lt - 1);
        at = gt + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return svg;
            if (open.back() == "text" || open.back() == "tspan") in_text = false;
            open.pop_back();
            continue;
        }
        const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        if (name == "path" || name == "polyline" || name == "polygon") ++svg.paths;
        if (tag.back() != '/') {
            open.push_back(name);
            if (name == "text" || name == "tspan") in_text = true;
        }
    }
    svg.well_formed = open.empty() && svg.paths > 0;
    return svg;
}

TEST(GraphFiles, EveryKindAsPngAndSvg) {
    ScratchDir scratch;
    const std::string kinds[][2] = {
        {"SERIES", "GRAPH Y Z / TITLE='Series of Y and Z'"},
        {"SCATTER", "GRAPH Y T / SCATTER LSLINE TITLE='Scatter of Y'"},
        {"HISTOGRAM", "GRAPH Y / HISTOGRA NORMAL TITLE='Histogram of Y'"},
        {"RESIDUAL", "GRAPH / RESIDUAL TITLE='Residuals by observation'"},
        {"FITTED", "GRAPH / FITTED TITLE='Residuals by fitted value'"},
        {"ELLIPSE", "CONFIDEN T CONSTANT / GRAPH TITLE='Region of T and CONSTANT'"},
    };
    std::string script = GRAPH_DATA;
    for (const char* device : {"PNG", "SVG"})
        for (const auto& [name, command] : kinds)
            script += command + " DEVICE=" + device + " OUTPUT=" + name + "\n";
    const ScriptRun r(script);
    EXPECT_EQ(r.scalar(R_ERR), 0) << r.output;
    for (const auto& [name, command] : kinds) {
        const std::string png_file = scratch.file(std::string(name) + ".png");
        EXPECT_TRUE(r.has_line(" ...NOTE..GRAPH WRITTEN: " + png_file)) << r.output;
        const Png png = read_png(png_file);
        ASSERT_TRUE(png.ok) << png_file;
        EXPECT_EQ(png.width, 800u);
        EXPECT_EQ(png.height, 600u);
        EXPECT_GE(png.colours, 3u) << png_file << ": background, frame and the plot at least";

        const std::string svg_file = scratch.file(std::string(name) + ".svg");
        const Svg svg = read_svg(svg_file);
        EXPECT_TRUE(svg.well_formed) << svg_file;
        EXPECT_GE(svg.paths, 3) << svg_file;
        const std::string title = command.substr(command.find('\'') + 1);
        EXPECT_TRUE(testing::contains(svg.text, title.substr(0, title.find('\'')))) << svg_file;
    }
    // The default name counts up past the files that exist; OLS draws a picture the same way.
    const ScriptRun again(GRAPH_DATA + "GRAPH Y\nGRAPH Y\nOLS Y T / GNUPLOT\n");
    EXPECT_TRUE(again.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("graph1.png")));
    EXPECT_TRUE(again.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("graph2.png")));
    EXPECT_TRUE(again.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("graph3.png")));
    EXPECT_TRUE(read_png(scratch.file("graph3.png")).colours >= 3);
    // FILE PLOTPATH names the directory of the pictures.
    std::filesystem::create_directory(scratch.file("pictures"));
    const ScriptRun placed(GRAPH_DATA +
                           "FILE PLOTPATH pictures\nGRAPH Y\nGRAPH Y / OUTPUT=y.svg\n");
    EXPECT_TRUE(placed.has_line(" ...NOTE..GRAPH WRITTEN: " + scratch.file("pictures/graph1.png")))
        << placed.output;
    EXPECT_TRUE(read_svg(scratch.file("pictures/y.svg")).well_formed);
    // Under a calendar the time axis is in years: 30 quarters from 1987.3 reach 1994.4.
    const ScriptRun dated(GRAPH_DATA + "TIME 1987.3 4\nGRAPH Y / DEVICE=SVG OUTPUT=dated\n");
    const Svg svg = read_svg(scratch.file("dated.svg"));
    EXPECT_TRUE(svg.well_formed) << dated.output;
    EXPECT_TRUE(testing::contains(svg.text, "DATE"));
    EXPECT_TRUE(testing::contains(svg.text, "1990")) << svg.text;
    EXPECT_FALSE(testing::contains(svg.text, "OBSERVATION"));
}

// A directory on PATH holding a stand-in for gnuplot (or nothing), for the life of the object.
struct StandInPath {
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    explicit StandInPath(const ScratchDir& scratch, const std::string& gnuplot_script) {
        const std::string dir = scratch.file("bin");
        std::filesystem::create_directory(dir);
        if (!gnuplot_script.empty()) {
            ScratchDir::write(dir + "/gnuplot", "#!/bin/sh\n" + gnuplot_script);
            std::filesystem::permissions(dir + "/gnuplot", std::filesystem::perms::owner_all);
        }
        setenv("PATH", dir.c_str(), 1);
    }
    ~StandInPath() { setenv("PATH", saved.c_str(), 1); }
};

TEST(GraphFiles, GnuplotMissingFailingOrSilent) {
    ScratchDir scratch;
    {
        const StandInPath path(scratch, "");
        const ScriptRun r(GRAPH_DATA +
                          "GRAPH Y\nPRINT $ERR\nOLS Y T / GNUPLOT\nPLOTS Y / LINES=5\n");
        EXPECT_EQ(r.starting(" ...ERROR..GNUPLOT IS NOT INSTALLED: INSTALL THE PACKAGE gnuplot-nox "
                             "(OR gnuplot)")
                      .size(),
                  2u)
            << r.output;
        EXPECT_TRUE(testing::contains(r.output, "$ERR      109007.0"));
        EXPECT_FALSE(std::filesystem::exists(scratch.file("graph1.png")));
        EXPECT_TRUE(testing::contains(r.output, "OBSERVATION")) << "the run goes on";
    }
    {
        const StandInPath path(scratch, "echo 'line 3: no such terminal' >&2\nexit 3\n");
        const ScriptRun r(GRAPH_DATA + "GRAPH Y\n");
        EXPECT_TRUE(r.has_line(" ...ERROR..GNUPLOT ENDED WITH EXIT STATUS 3")) << r.output;
        EXPECT_TRUE(r.has_line(" line 3: no such terminal"));
        EXPECT_EQ(r.scalar(R_ERR), ERR_GRAPH_GNUPLOT_FAILED);
    }
    {
        // The settings' gnuplot directory (VGNU) comes before the search path.
        const StandInPath path(scratch, "");
        std::filesystem::create_directory(scratch.file("vgnu"));
        ScratchDir::write(scratch.file("vgnu/gnuplot"), "#!/bin/sh\necho from VGNU >&2\nexit 4\n");
        std::filesystem::permissions(scratch.file("vgnu/gnuplot"),
                                     std::filesystem::perms::owner_all);
        ScratchDir::write(scratch.file("settings"), "[SOFTWARE\\Halvern\\TARVEX110\\START]\nVGNU=" +
                                                        scratch.file("vgnu") + "\n");
        setenv("TARVEX_SETTINGS", scratch.file("settings").c_str(), 1);
        const ScriptRun r(GRAPH_DATA + "GRAPH Y\n");
        setenv("TARVEX_SETTINGS", "/dev/null", 1);
        EXPECT_TRUE(r.has_line(" ...ERROR..GNUPLOT ENDED WITH EXIT STATUS 4")) << r.output;
        EXPECT_TRUE(r.has_line(" from VGNU"));
    }
    {
        const StandInPath path(scratch, "exit 0\n");
        const ScriptRun r(GRAPH_DATA + "GRAPH Y / OUTPUT=none\n");
        EXPECT_TRUE(r.has_line(" ...ERROR..GNUPLOT WROTE NO GRAPH FILE")) << r.output;
        EXPECT_TRUE(r.has_line(" " + scratch.file("none.png")));
        EXPECT_EQ(r.scalar(R_ERR), ERR_GRAPH_NO_FILE);
    }
    {
        // A drawing that fails half-way keeps the earlier picture of that name; a finished one
        // replaces it, and no drawing is left beside it either way.
        ScratchDir::write(scratch.file("pic.png"), "EARLIER");
        const std::string half_drawn =
            "out=$(/bin/sed -n \"s/^set output '\\(.*\\)'$/\\1/p\" \"$1\")\n"
            "printf HALF > \"$out\"\n";
        {
            const StandInPath path(scratch, half_drawn + "exit 3\n");
            const ScriptRun r(GRAPH_DATA + "GRAPH Y / OUTPUT=pic.png\n");
            EXPECT_TRUE(r.has_line(" ...ERROR..GNUPLOT ENDED WITH EXIT STATUS 3")) << r.output;
            EXPECT_EQ(testing::file_text(scratch.file("pic.png")), "EARLIER");
        }
        {
            const StandInPath path(scratch, half_drawn + "exit 0\n");
            const ScriptRun r(GRAPH_DATA + "GRAPH Y / OUTPUT=pic.png\n");
            EXPECT_TRUE(r.has_line(" ...NOTE..GRAPH REPLACED: " + scratch.file("pic.png")))
                << r.output;
            EXPECT_EQ(testing::file_text(scratch.file("pic.png")), "HALF");
        }
        for (const auto& entry : std::filesystem::directory_iterator(scratch.dir))
            EXPECT_NE(entry.path().filename().string().rfind(".pic.png", 0), 0u);
    }
    {
        // A gnuplot that does not end is stopped at the limit, and the run goes on.
        const StandInPath path(scratch, "exec /bin/sleep 30\n");
        setenv("TARVEX_GNUPLOT_SECONDS", "1", 1);
        const auto start = std::chrono::steady_clock::now();
        const ScriptRun r(GRAPH_DATA + "GRAPH Y\nPRINT $ERR\n");
        unsetenv("TARVEX_GNUPLOT_SECONDS");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(r.has_line(" ...ERROR..GNUPLOT DID NOT FINISH IN 1 SECONDS AND WAS STOPPED"))
            << r.output;
        EXPECT_TRUE(testing::contains(r.output, "$ERR      109009.0"));
    }
}

// A disk that fills up while OLS writes its plot files: the data file and the command file
// keep what they held (an appended command file ends where it ended), the error names the
// file, and no temporary file is left beside them.
TEST(GraphFiles, FailedPlotFileKeepsTheEarlierFile) {
    ScratchDir scratch;
    const std::string earlier_commands(4000, '#');
    ScratchDir::write("COMM.DAT", "EARLIER\n");
    ScratchDir::write("COMM.GNU", earlier_commands);
    ScratchDir::write("A.DAT", "EARLIER\n");
    const auto report = testing::in_child(
        [] {
            const ScriptRun r(GRAPH_DATA + "OLS Y T / GNUPLOT\nOLS Y T / GNUPLOT COMMFILE=A.GNU\n");
            return r.starting(" ...ERROR..");
        },
        1000);
    EXPECT_EQ(report, (std::vector<std::string>{" ...ERROR..CANNOT WRITE PLOT FILE COMM.DAT",
                                                " ...ERROR..CANNOT WRITE PLOT FILE A.DAT"}));
    EXPECT_EQ(testing::file_text("COMM.DAT"), "EARLIER\n");
    EXPECT_EQ(testing::file_text("A.DAT"), "EARLIER\n");
    // Room for the data file but not for the commands added to the 4000 bytes already there.
    const auto appended = testing::in_child(
        [] {
            const ScriptRun r(GRAPH_DATA + "OLS Y T / GNUPLOT APPEND\n");
            return r.starting(" ...ERROR..");
        },
        4096);
    EXPECT_EQ(appended, std::vector<std::string>{" ...ERROR..CANNOT WRITE PLOT FILE COMM.GNU"});
    EXPECT_EQ(testing::file_text("COMM.GNU"), earlier_commands);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A.DAT", "COMM.DAT", "COMM.GNU"}));
}

// R: m <- lm(dist ~ speed, cars); vcov(m); 2*qf(0.95,2,48); qt(0.975,48); confint(m).
TEST(GraphFiles, ConfidenceRegionAgainstR) {
    RegionInput in;
    in.estimate = {3.932408759Q, -17.579094891Q};
    in.cov = {0.172650867565312Q, -2.6588233605058Q, 45.6765135230788Q};
    in.level = 0.95Q;
    in.df = 48;
    in.points = 360;
    const ConfidenceRegion r = confidence_region(in);
    ASSERT_TRUE(r.positive);
    EXPECT_LT(fabsq(r.radius2 - 6.381454672Q), 1e-9Q);
    EXPECT_LT(fabsq(r.critical - 2.010634758Q), 1e-9Q);
    EXPECT_LT(fabsq(r.lower[0] - 3.096964328Q), 1e-8Q);
    EXPECT_LT(fabsq(r.upper[1] - -3.990340179Q), 1e-8Q);
    // The ellipse reaches coef -+ sqrt(2*qf(0.95,2,48) * diag(vcov(m))) and no further.
    const auto [xlo, xhi] = std::minmax_element(r.x.begin(), r.x.end());
    const auto [ylo, yhi] = std::minmax_element(r.y.begin(), r.y.end());
    EXPECT_LT(fabsq(*xlo - 2.8827594437Q), 1e-4Q);
    EXPECT_LT(fabsq(*xhi - 4.9820580746Q), 1e-4Q);
    EXPECT_LT(fabsq(*ylo - -34.6519564145Q), 1e-3Q);
    EXPECT_LT(fabsq(*yhi - -0.5062333666Q), 1e-3Q);
    // Asymptotic: qchisq(0.95, 2) and qnorm(0.975).
    in.asymptotic = true;
    const ConfidenceRegion a = confidence_region(in);
    EXPECT_LT(fabsq(a.radius2 - 5.991464547Q), 1e-9Q);
    EXPECT_LT(fabsq(a.critical - 1.959963985Q), 1e-9Q);
    in.cov = {1, 2, 1}; // correlation 2: no region
    EXPECT_FALSE(confidence_region(in).positive);
}

} // namespace
} // namespace tarvex
