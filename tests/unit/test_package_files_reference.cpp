// Files other programs write, read through READ: every stored value compared to the bit with
// what R (haven 2.5) or Python reads from the same fixture (tests/data/statfiles, made by the
// scripts there). The reference expression is beside each value; a double is exact in
// binary128, so equality is to the bit. WRITE to the package files and READ back keeps every
// double to the bit; values that are not doubles are rounded to the nearest one.
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "reference_support.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>
#include <zip.h>

using tarvex::Real;
using tarvex::testing::expect_all_bits;
using tarvex::testing::ScriptRun;

namespace {

using tarvex::testing::ScratchDir;

const std::string PACKAGE_FILES = std::string(TARVEX_TEST_DATA) + "/statfiles/";
const Real PACKAGE_MISSING = -99999;

// The texts of a character variable (8 characters an observation, trailing blanks cut).
std::vector<std::string> package_texts(const ScriptRun& r, const std::string& name) {
    std::vector<std::string> out;
    for (Real v : r.values(name)) {
        std::string t = tarvex::element_to_chars(v);
        t.erase(t.find_last_not_of(' ') + 1);
        out.push_back(t);
    }
    return out;
}

// sprintf("%a", read_dta("people.dta")$income) and the like, NA as the missing code.
const std::vector<Real> STATA_INCOME = {
    0x1.999999999999ap-4Q,  0x1.5555555555555p-2Q, PACKAGE_MISSING,   0x1.7e43c8800759cp+996Q,
    0x1.a4080820a908p-995Q, PACKAGE_MISSING,       0x1.d6f34548p+26Q, 0x1p-30Q};

} // namespace

TEST(PackageFiles, StataValuesNamesLabelsAndStrings) {
    ScriptRun r("READ ('" + PACKAGE_FILES + "people.dta')\nSTOP\n");
    // read_dta("people.dta")$income: observation 3 is the tagged missing .a, 6 is NA.
    expect_all_bits(r.values("INCOME"), STATA_INCOME);
    // $very_long_variable_a = (1:8)/8 and $very_long_variable_b = (8:1)*1.5, cut and made unique.
    expect_all_bits(r.values("VERY_LON"), {0.125Q, 0.25Q, 0.375Q, 0.5Q, 0.625Q, 0.75Q, 0.875Q, 1});
    expect_all_bits(r.values("VERY_LO2"), {12, 10.5Q, 9, 7.5Q, 6, 4.5Q, 3, 1.5Q});
    // $sex: labels c(male = 1, female = 2), observation 5 NA; kept as category labels.
    expect_all_bits(r.values("SEX"), {1, 2, 2, 1, PACKAGE_MISSING, 1, 2, 1});
    const auto& labels = r.run->ws.value_labels;
    const auto sex = std::find_if(labels.begin(), labels.end(),
                                  [](const auto& e) { return e.first.rfind("SEX", 0) == 0; });
    ASSERT_NE(sex, labels.end());
    EXPECT_EQ(sex->second, (std::vector<std::string>{"male", "female"}));
    // $agree labels 0 and 1: not the codes 1 to n, so not kept.
    EXPECT_TRUE(std::none_of(labels.begin(), labels.end(),
                             [](const auto& e) { return e.first.rfind("AGREE", 0) == 0; }));
    // $name, cut to 8 characters.
    EXPECT_EQ(package_texts(r, "NAME"), (std::vector<std::string>{"Anne", "Bartholo", "", "Dee",
                                                                  "Eve", "Fay", "Gus", "Hal"}));
    EXPECT_TRUE(r.has_line(" ...NOTE..VARIABLES RENAMED (8 CHARACTERS, UNIQUE): "
                           "very_long_variable_a -> VERY_LON, very_long_variable_b -> VERY_LO2"));
}

TEST(PackageFiles, SpssSasAndTransportValues) {
    // read_sav("people.sav", user_na = TRUE)$income: -9 in observation 4 is declared missing.
    ScriptRun spss("READ ('" + PACKAGE_FILES + "people.sav') INCOME\nSTOP\n");
    expect_all_bits(spss.values("INCOME"),
                    {0x1.999999999999ap-4Q, 0x1.5555555555555p-2Q, -2.5Q, PACKAGE_MISSING,
                     0x1.a4080820a908p-995Q, PACKAGE_MISSING, 0x1.d6f34548p+26Q, 0x1p-30Q});
    // read_sas("people.sas7bdat")$income
    ScriptRun sas("READ ('" + PACKAGE_FILES + "people.sas7bdat') INCOME ID\nSTOP\n");
    expect_all_bits(sas.values("INCOME"),
                    {0x1.999999999999ap-4Q, 0x1.5555555555555p-2Q, -2.5Q, 0x1.7e43c8800759cp+996Q,
                     0x1.a4080820a908p-995Q, PACKAGE_MISSING, 0x1.d6f34548p+26Q, 0x1p-30Q});
    expect_all_bits(sas.values("ID"), {1, 2, 3, 4, 5, 6, 7, 8});
    // read_xpt("people.xpt")$income: IBM doubles hold every double of this range exactly.
    ScriptRun xpt("READ ('" + PACKAGE_FILES + "people.xpt') INCOME\nSTOP\n");
    expect_all_bits(xpt.values("INCOME"),
                    {0x1.999999999999ap-4Q, 0x1.5555555555555p-2Q, -2.5Q, 0x1.2a05f2p+33Q, 0x1p-20Q,
                     PACKAGE_MISSING, 0x1.d6f34548p+26Q, 0x1p-30Q});
}

TEST(PackageFiles, WorkbookCells) {
    // float("0.3333333333333333").hex() etc.: the double each cell's text stands for.
    ScriptRun r("READ ('" + PACKAGE_FILES + "sheets.xlsx') / SHEET=Prices\nSTOP\n");
    expect_all_bits(r.values("PRICE"),
                    {0x1.999999999999ap-4Q, 0x1.5555555555555p-2Q, PACKAGE_MISSING,
                     -0x1.ac9a7b3b7302fp-997Q, 0x1.fe185ca57c517p+78Q});
    expect_all_bits(r.values("SOLD"), {1, 0, 1, PACKAGE_MISSING, 0});
    // openpyxl's cell values for the dates: 2001-03-01 is serial 36951, 1900-03-01 is 61.
    expect_all_bits(r.values("WHEN"), {36951, 37621, 61, PACKAGE_MISSING, 45351});
    EXPECT_EQ(package_texts(r, "CITY"),
              (std::vector<std::string>{"Paris", "Lyon", "Saint-Et", "", "Paris"}));
    // A range inside a sheet; "n/a" is text in a numeric column.
    ScriptRun notes("READ ('" + PACKAGE_FILES + "sheets.xlsx') / SHEET=notes RANGE=C3:D5\nSTOP\n");
    expect_all_bits(notes.values("X"), {1.5Q, 3});
    expect_all_bits(notes.values("Y"), {2.5Q, PACKAGE_MISSING});
    // read.xlsx("shared.xlsx"): shared strings, an empty number, logicals with an NA.
    ScriptRun shared("READ ('" + PACKAGE_FILES + "shared.xlsx')\nSTOP\n");
    EXPECT_EQ(package_texts(shared, "REGION"),
              (std::vector<std::string>{"north", "south", "north"}));
    expect_all_bits(shared.values("SALES"), {1.5Q, PACKAGE_MISSING, 0x1p-10Q});
    expect_all_bits(shared.values("OK"), {1, 0, PACKAGE_MISSING});
}

TEST(PackageFiles, WriteAndReadBackEveryKind) {
    ScratchDir dir;
    for (const std::string ext : {"dta", "sav", "xpt"}) {
        // The transport file cannot hold 1e300: the Stata file's other columns go there.
        const std::string list = ext == "xpt" ? "VERY_LON VERY_LO2 SEX NAME" : "INCOME SEX NAME";
        ScriptRun r("READ ('" + PACKAGE_FILES + "people.dta')\nWRITE (copy." + ext + ") " + list +
                    "\nSTOP\n");
        ASSERT_TRUE(r.starting(" ...ERROR").empty()) << ext;
        ScriptRun back("READ (copy." + ext + ")\nSTOP\n");
        ScriptRun first("READ ('" + PACKAGE_FILES + "people.dta')\nSTOP\n");
        for (const char* name : {"INCOME", "VERY_LON", "VERY_LO2", "SEX"}) {
            if (list.find(name) == std::string::npos) continue;
            expect_all_bits(back.values(name), first.values(name));
        }
        EXPECT_EQ(package_texts(back, "NAME"), package_texts(first, "NAME")) << ext;
    }
    // A binary128 value that is no double goes out as the nearest double, with a note.
    ScriptRun third("READ X\n1\n3\nEND\nGENR T = 1/X\nWRITE (t.dta) T\nSTOP\n");
    EXPECT_TRUE(third.has_line(
        " ...NOTE..       1 VALUE ROUNDED TO THE NEAREST DOUBLE: STATA FILES HOLD 53-BIT NUMBERS"));
    ScriptRun t("READ (t.dta)\nSTOP\n");
    expect_all_bits(t.values("T"), {1, static_cast<Real>(1.0 / 3.0)});
}

namespace {

// A workbook made here with libzip, in the forms other writers use: prefixed element names, cells
// without references, a relative sheet target, names that need renaming.
void write_workbook(const std::string& path, const std::string& sheet_xml) {
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(zip, nullptr);
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<x:workbook xmlns:x=\"m\" xmlns:r=\"r\"><x:sheets><x:sheet name=\"Data 1\" sheetId=\"1\" "
         "r:id=\"rId7\"/></x:sheets></x:workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId7\" Target=\"worksheets/s.xml\"/></Relationships>"},
        {"xl/worksheets/s.xml", sheet_xml},
    };
    for (const auto& [name, text] : parts) {
        zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
        ASSERT_NE(source, nullptr);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

} // namespace

TEST(PackageFiles, WorkbookFormsOfOtherWriters) {
    ScratchDir dir;
    write_workbook("w.xlsx",
                   "<x:worksheet xmlns:x=\"m\"><x:sheetData>"
                   "<x:row r=\"1\"><x:c t=\"inlineStr\"><x:is><x:t>unit price</x:t></x:is></x:c>"
                   "<x:c t=\"inlineStr\"><x:is><x:t>2020</x:t></x:is></x:c>"
                   "<x:c t=\"inlineStr\"><x:is><x:t>unit price!</x:t></x:is></x:c></x:row>"
                   "<x:row r=\"2\"><x:c><x:v>1e-5</x:v></x:c><x:c t=\"e\"><x:v>#DIV/0!</x:v></x:c>"
                   "<x:c><x:v>7</x:v></x:c></x:row>"
                   "<x:row r=\"4\"><x:c r=\"A4\"><x:v>-0.5</x:v></x:c><x:c r=\"C4\" t=\"b\">"
                   "<x:v>1</x:v></x:c></x:row>"
                   "</x:sheetData></x:worksheet>");
    ScriptRun r("READ (w.xlsx) / SHEET='data 1'\nSTOP\n");
    // Blanks become _, a leading digit gets C, the second UNIT_PRI ends in 2; row 3 is empty.
    EXPECT_TRUE(r.has_line(" ...NOTE..VARIABLES RENAMED (8 CHARACTERS, UNIQUE): unit price -> "
                           "UNIT_PRI, 2020 -> C2020, unit price! -> UNIT_PR2"));
    expect_all_bits(r.values("UNIT_PRI"), {static_cast<Real>(1e-5), PACKAGE_MISSING, -0.5Q});
    expect_all_bits(r.values("C2020"), {PACKAGE_MISSING, PACKAGE_MISSING, PACKAGE_MISSING});
    expect_all_bits(r.values("UNIT_PR2"), {7, PACKAGE_MISSING, 1});
    // A range past the used cells: the cells outside are empty, so missing.
    ScriptRun wide("READ (w.xlsx) / RANGE=A1:A5\nSTOP\n");
    expect_all_bits(wide.values("UNIT_PRI"),
                    {static_cast<Real>(1e-5), PACKAGE_MISSING, -0.5Q, PACKAGE_MISSING});
}
