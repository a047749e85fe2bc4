// Fuzz target: feeds arbitrary text as a command script to a fresh run, so that the reader,
// the scanner, the option parser and every command they reach meet malformed statements; the
// seeds include the DO loop and procedure transcripts (nested loops, markers, EXECUTE chains).
// The first byte can also make the rest of the input the data lines of a READ (by observation,
// by variable with a known sample, as a matrix, or as names and delimited rows), or (0xC0 and
// above) the expressions of GENR, IF, SKIPIF and ENDIF statements, or (0xB0 to 0xBF) the
// expressions of MATRIX statements.
#include "core/interrupt.hpp"
#include "interp/script_run.hpp"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Statements one input may read before its loops and procedures are ended as at Ctrl-C: a DO
// loop bounded by a finished loop's index (9,999,999) is legitimate but would spend the run.
constexpr long long STATEMENT_BUDGET = 20000;

// Runs one script; with TARVEX_FUZZ_ECHO set in the environment the script and its transcript
// go to standard error, so that a reproducer can be read as the engine saw it.
void run_input(const std::string& script) {
    static const bool echo = std::getenv("TARVEX_FUZZ_ECHO") != nullptr;
    tarvex::set_statement_budget(STATEMENT_BUDGET);
    tarvex::ScriptResult result = tarvex::run_script(script);
    if (!echo) return;
    std::fprintf(stderr, "---- script\n%s---- transcript\n%s\n---- fatal=%d code=%d\n",
                 script.c_str(), result.output.c_str(), result.fatal ? 1 : 0, result.fatal_code);
}

// With a first byte of 0xC0 or above, every line becomes the expression of a GENR, GEN1, IF,
// IF1, SKIPIF, ENDIF, DERIVATI or INTEGRAT statement (or the rest of a DERIVATI) over a small
// sample with data, a matrix and a one-element variable, so that the expression compiler and
// executor see most of the inputs.
std::string expressions_script(const std::string& body, unsigned char selector) {
    static const char* const forms[] = {"GENR Y = ",
                                        "GEN1 Y = ",
                                        "IF ",
                                        "IF1 ",
                                        "SKIPIF ",
                                        "ENDIF ",
                                        "GENR M:2 = ",
                                        "GENR $T1 = ",
                                        "DERIVATI (X) Y = ",
                                        "INTEGRAT (X, 0, 1) Y = ",
                                        "INTEGRAT (X, -INF, S) $T1 = ",
                                        "DERIVATI "};
    constexpr std::size_t form_count = sizeof forms / sizeof forms[0];
    std::string script = "SET TALK\nSAMPLE 1 6\nGENR X = TIME(0) - 3\nGENR Z = X * X\n"
                         "DIMENSION M 3 3\nGEN1 S = 2\n";
    if (selector & 2) script += "SET SKIPMISS\n";
    if (selector & 4) script += "SET BACKWARD\n";
    if (selector & 8) script += "SET DUMP\n";
    if (selector & 16) script += "SET UMINUS NOWARN\n";
    // An odd selector runs the statements inside a DO loop, where ENDIF ends the loop early
    // and the marker # stands for the index in the expressions.
    if (selector & 1) script += "DO # = 1, 3\n";
    std::size_t start = 0;
    int line = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string text = body.substr(start, end - start);
        for (char& c : text)
            if (c == '\r' || c == '&' || c == '\0') c = ' ';
        script +=
            forms[(selector / 32 + static_cast<std::size_t>(line)) % form_count] + text + "\n";
        start = end + 1;
        ++line;
    }
    if (selector & 1) script += "ENDO\nGENR Y = $DO\n";
    return script + "STOP\n";
}

// With a first byte from 0xB0 to 0xBF, every line becomes the expression of a MATRIX statement
// over a general, a symmetric, a singular and a complex-eigenvalue matrix and a vector. Digit
// runs are cut to two digits so that IDEN and the decompositions stay small.
std::string matrix_script(const std::string& body, unsigned char selector) {
    std::string script = "SET TALK\nREAD A / ROWS=3 COLS=3\n4 1 2\n1 5 3\n2 3 6\n"
                         "READ S / SYMAT COLS=2\n2\n1 3\nMATRIX Z = 1|2;2|4\n"
                         "MATRIX R = 0|-1;1|0\nMATRIX V = 1;-99999;3\n";
    if (selector & 1) script += "SET UMINUS NOWARN\n";
    if (selector & 2) script += "SET DUMP\n";
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string text = body.substr(start, end - start);
        int digits = 0;
        for (char& c : text) {
            if (c == '\r' || c == '&' || c == '\0') c = ' ';
            digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
            if (digits > 2) c = ' ';
        }
        script += ((selector & 4) ? "MATRIX A = " : "MATRIX M = ") + text + "\n";
        start = end + 1;
    }
    return script + "STOP\n";
}

// With a first byte from 0xA0 to 0xAF, every line becomes the equation of an NLINEAR or MLE
// block (parameters A, B and C, data X, Y and Z, the 0/1 variable D), or the list after HETERO,
// BOX, PROBIT, LOGIT or TOBIT (LOGIT of Z is the multinomial logit; one option set is ORDERED),
// with a low iteration limit so that each input runs quickly, or after POOL (cross-sections by
// NCROSS or by the values of Z), GLS (the variances V or their diagonal matrix OM), 2SLS
// (instruments after ";" in the line itself), AUTO, COINTEGR, ARIMA, VAR or DLAGS (followed by
// a DIAGNOSE of the fit), each with its own options, or as the second EQ line of a SYSTEM block,
// or as the list of PLOTS (a character plot of each kind), of STOCKGRA (after graph settings),
// of SPREAD (its printed table) and the coefficient names of CONFIDEN, and as a USER word,
// or as the series of SMOOTH (each method), or as the strike of CALLOPTI or PUTOPTIO (European,
// American, implied volatility), or after GME (supports ZS, ES) or FLS (weights MUS), or as
// the inputs of LP (c A b) and GAMES, or after FUZZY (each level and band output) or ROBUST
// (quantile regression with each covariance, Huber and bisquare), or after BAYES (a block with
// an inequality on X), or with QP (Q c A b) or PORTFOLI (the returns), or as the names
// of CONVERT (each method, up and down).
// The estimations that end in a forecast are followed by CHECKOUT of the same list with its
// options.
std::string estimation_script(const std::string& body, unsigned char selector) {
    static const char* const commands[] = {
        "NLINEAR", "MLE",    "HETERO ",   "BOX ",      "PROBIT ",   "LOGIT ", "TOBIT ", "POOL ",
        "GLS ",    "2SLS ",  "SYSTEM",    "AUTO ",     "COINTEGR ", "ARIMA ", "PLOTS ", "DLAGS ",
        "SMOOTH ", "VAR ",   "CALLOPTI ", "GME ",      "FLS ",      "LP ",    "GAMES ", "FUZZY ",
        "ROBUST ", "BAYES ", "QP ",       "PORTFOLI ", "CONVERT "};
    enum {
        POOL = 7,
        GLS,
        IV,
        SYSTEM,
        AUTO,
        COINT,
        ARIMA,
        PLOTS,
        DLAGS,
        SMOOTH,
        VAR,
        OPTPRICE,
        GME,
        FLS,
        LP,
        GAMES,
        FUZZY,
        ROBUST,
        BAYES,
        QP,
        PORTFOLIO,
        CONVERT
    }; // their places above
    constexpr int COMMANDS = sizeof commands / sizeof commands[0];
    static const char* const options[] = {
        " / MAXIT=5",
        " / MAXIT=5 PITER HETCOV",
        " / MAXIT=5 METHOD=BFGS COVTYPE=OPG",
        " / MAXIT=5 METHOD=BHHH PCOV PCOR CLUSTER=Z MARGEFF=ME MARGSE=MS",
        " / MAXIT=5 ORDERED INDEX=Q PITER WEIGHT=V PROBS=PR",
        " / MAXIT=5 METHOD=GQDFP PITER",
        " / MAXIT=5 METHOD=GQOPT",
        " / MAXIT=5 METHOD=GRADX",
        " / METHOD=ANNEAL SEED=3 ANNEALN=200 ANNEALT=5 MAXIT=5"};
    constexpr int OPTIONS = sizeof options / sizeof options[0];
    static const char* const pool_options[] = {
        " / NCROSS=2", " / NCROSS=4 FIXED PERIOD PEFFECTS EFFECTS=FE", " / NCROSS=2 RANDOM CLUSTER",
        " / IDVAR=Z FIXED HC1 PCOV", " / IDVAR=Z RANDOM VARCOMP=VC"};
    static const char* const gls_options[] = {" / VARIANCE=V", " / OMEGA=OM PCOV",
                                              " / OMEGA=OM NOCONSTANT", " / VARIANCE=Z",
                                              " / OMEGA=M"};
    static_assert(sizeof pool_options / sizeof pool_options[0] == OPTIONS &&
                  sizeof gls_options / sizeof gls_options[0] == OPTIONS);
    std::string script = "SET TALK\nSAMPLE 1 8\nGENR X = TIME(0)\nGENR Z = MOD(TIME(0), 3)\n"
                         "GENR Y = 2 + 3*EXP(-0.3*X) + Z/10\nGENR D = Z .GT. 0\n"
                         "GENR V = 1 + X/8\nMATRIX OM = DIAG(V)\n"
                         "MATRIX ZS = -9|0|9\nMATRIX ES = -2 ; 0 ; 2\nMATRIX MUS = 1 ; 10\n";
    if (selector & 8) script += "SET UMINUS NOWARN\n";
    std::size_t start = 0;
    int line = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string text = body.substr(start, end - start);
        int digits = 0;
        for (char& c : text) {
            if (c == '\r' || c == '&' || c == '\0') c = ' ';
            digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
            if (digits > 2) c = ' '; // no iteration limits in the thousands
        }
        const int command = (selector + line) % COMMANDS;
        const int option_row = (selector / 4 + line) % OPTIONS;
        static const char* const iv_options[] = {" / CLUSTER=Z",
                                                 " / HC3 PCOV",
                                                 " / AUTCOV=2 NOCONSTANT",
                                                 " / METHOD=GMM STEPS=ITERATE MAXIT=5 TESTSTAT=TS",
                                                 " / METHOD=GMM WEIGHT=HAC LAG=2 PCOV",
                                                 " / METHOD=GMM WEIGHT=IDENTITY LAG=1"};
        constexpr int IV_OPTIONS = sizeof iv_options / sizeof iv_options[0];
        static const char* const system_methods[] = {"SUR DEPNAMES RESCOV=RC", "ITSUR MAXIT=5",
                                                     "3SLS"};
        static const char* const auto_options[] = {
            " / PITER", " / ORDER=2 PCOV", " / METHOD=CORC MAXIT=5", " / METHOD=PW", " / ORDER=3"};
        static const char* const arima_options[] = {
            " / IDENT NLAG=4", " / NAR=1 MAXIT=5 HORIZON=3 NARCH=1 NGARCH=1 HT=H",
            " / NAR=1 NMA=1 NDIFF=1 METHOD=CSS", " / NMA=2 PITER MAXIT=5",
            " / NSAR=1 NSPAN=4 MAXIT=5 NARCH=2 ERRORS=T COVTYPE=ROBUST"};
        static_assert(sizeof auto_options / sizeof auto_options[0] == OPTIONS &&
                      sizeof arima_options / sizeof arima_options[0] == OPTIONS);
        static const char* const coint_options[] = {" / PP", " / LAGS=2 SELECT=AIC",
                                                    " / JOHANSEN DETERM=RESTRICT RANKTEST=RT"};
        static const char* const plots_options[] = {
            " / LINES=5", " / SCATTER LSLINE LINES=6 COLS=40", " / HISTOGRA NORMAL BINS=3",
            " / RESIDUAL LINES=5 COLS=50", " / FITTED LINES=5 TITLE='A B'"};
        static_assert(sizeof plots_options / sizeof plots_options[0] == OPTIONS);
        // STOCKGRA on the same list after settings of the plots' axes, dates and names.
        static const char* const stock_settings[] = {
            "", "TIMEFMT YYYY:Q\nTIME 1990.1 4\n", "AXISFMT Y / MIN=0 MAX=9 TICKS=3 FORMAT=F5.1\n",
            "AXISFMT X / TICKS=4 FORMAT=I3\nNAMEFMT Y 'Y name'\n", "TIMEFMT\nAXISFMT\nNAMEFMT\n"};
        static const char* const stock_options[] = {" / LINES=5", " / CANDLE LINES=6 COLS=40",
                                                    " / BEG=2 END=6", " / LINES=5 COLS=50",
                                                    " / CANDLE TITLE='A B'"};
        static_assert(sizeof stock_settings / sizeof stock_settings[0] == OPTIONS &&
                      sizeof stock_options / sizeof stock_options[0] == OPTIONS);
        static const char* const dlags_options[] = {
            " / LAGS=2 ORDER=1", " / LAGS=3 ORDER=2 NEAR COEF=B", " / LAGS=3 FAR NOCONSTANT",
            " / LAGS=4 ORDER=2 BOTH STDERR=S", " / LAGS=2 ORDER=3"};
        static const char* const diagnose_options[] = {
            "", " / CHOWONE=5 SIGLEVEL=1", " / NORECRESID CHOWTEST",
            " / HETEROSC MHET=2 SIGLEVEL=3", " / CHOWONE=3 MHET=1 SIGLEVEL=10"};
        static_assert(sizeof dlags_options / sizeof dlags_options[0] == OPTIONS &&
                      sizeof diagnose_options / sizeof diagnose_options[0] == OPTIONS);
        static const char* const smooth_options[] = {
            " / HORIZON=3 FORECAST=F FCSTERR=FE", " / METHOD=HOLT MAXIT=5 LEVEL=L SLOPE=S",
            " / METHOD=ADDITIVE SEASON=3 GAMMA=0.5", " / METHOD=MULTIPLI SEASON=2 MAXIT=5",
            " / METHOD=HP LAMBDA=100 TREND=T CYCLE=C"};
        static_assert(sizeof smooth_options / sizeof smooth_options[0] == OPTIONS);
        static const char* const var_options[] = {
            " / NLAG=2 GRANGER", " / IRF FEVD HORIZON=3 NOORTHOG IRFSE=IS", " / MAXLAG=2 TREND",
            " / SEASONAL=2 NOCONSTANT RESCOV=RC IMPULSE=IM", " / NLAG=3 DECOMP=FV RESID=U"};
        static_assert(sizeof var_options / sizeof var_options[0] == OPTIONS);
        static const char* const optprice_options[] = {
            " SPOT=Y VOL=V TIME=X VALUE=P DELTA=DD",
            " SPOT=Y VOL=.2 TIME=1 AMERICAN STEPS=9 VALUE=P", " SPOT=Y TIME=X PRICE=Z IMPVOL=IV",
            " SPOT=Y RATE=.05 YIELD=D VOL=V TIME=X GAMMA=G VEGA=VG",
            " SPOT=100 VOL=V TIME=X AMERICAN STEPS=2 THETA=TH END=4"};
        static_assert(sizeof optprice_options / sizeof optprice_options[0] == OPTIONS);
        static const char* const gme_options[] = {
            " / BSUPPORT=ZS", " / BSUPPORT=ZS EPOINTS=5 PCOV COEF=B",
            " / BSUPPORT=ZS ESUPPORT=ES MAXIT=5", " / BSUPPORT=ZS NOCONSTANT PCOR",
            " / BSUPPORT=ZS PREDICT=P2 STDERR=S"};
        static const char* const fls_options[] = {" / MU=1", " / MU=10 FRONTIER=MUS COEF=B",
                                                  " / PATH NOCONSTANT", " / MU=0.5 RESID=R",
                                                  " / FRONTIER=MUS PREDICT=P2"};
        static_assert(sizeof gme_options / sizeof gme_options[0] == OPTIONS &&
                      sizeof fls_options / sizeof fls_options[0] == OPTIONS);
        static const char* const lp_options[] = {" / MAX X=XL", " / MIN TYPES=Z DUAL=DL",
                                                 " / LOWER=V UPPER=X REDUCED=RL SLACK=SL",
                                                 " / MAX MIN", " / SILENT TYPES=OM"};
        static_assert(sizeof lp_options / sizeof lp_options[0] == OPTIONS);
        static const char* const fuzzy_options[] = {
            " / H=0 PRINT", " / H=.5 SPREAD=S2 LOWER=LO UPPER=HI", " / NOCONSTANT COEF=B", " / H=1",
            " / H=.9 PREDICT=P2 RESID=R"};
        static_assert(sizeof fuzzy_options / sizeof fuzzy_options[0] == OPTIONS);
        static const char* const robust_options[] = {
            " / TAU=0.25 PCOV", " / VARIANCE=KERNEL COEF=B", " / VARIANCE=BOOT REPS=3 SEED=5",
            " / METHOD=HUBER MAXIT=5 RESID=U", " / METHOD=BISQUARE TUNING=2 TAU=1"};
        static_assert(sizeof robust_options / sizeof robust_options[0] == OPTIONS);
        static const char* const bayes_options[] = {
            " / NDRAW=20 SEED=1", " / NDRAW=10 ANTITHET PCOV COEF=B", " / NDRAW=5 NOCONSTANT",
            " / NDRAW=0", " / NDRAW=8 SEED=3 STDERR=S COVARIAN=CV"};
        static_assert(sizeof bayes_options / sizeof bayes_options[0] == OPTIONS);
        static const char* const qp_options[] = {" / X=XQ", " / MIN TYPES=Z DUAL=DQ",
                                                 " / LOWER=V UPPER=X BOUNDDUA=BQ SLACK=SQ",
                                                 " / SILENT LOWER=Z", " / TYPES=OM"};
        static const char* const portfolio_options[] = {
            " / NPOINT=3", " / NOSHORT RF=0.01 TANGENCY=TQ", " / TARGETS=V WEIGHTS=WQ",
            " / NOSHORT PLOT FRONTIER=FQ", " / SILENT MINVAR=MQ END=8"};
        static_assert(sizeof qp_options / sizeof qp_options[0] == OPTIONS &&
                      sizeof portfolio_options / sizeof portfolio_options[0] == OPTIONS);
        static const char* const convert_options[] = {
            " / FROM=4 TO=1 METHOD=AVERAGE", " / FROM=1 TO=4 METHOD=CHOWLIN RHO=0.3 NOCONST",
            " / FROM=1 TO=12 METHOD=DENTON MATCH=AVERAGE",
            " / FROM=12 TO=4 BEG=2 END=7 METHOD=LAST", " / FROM=4 TO=12 METHOD=LINEAR"};
        static_assert(sizeof convert_options / sizeof convert_options[0] == OPTIONS);
        // CHECKOUT after the estimation: its data checks on the same list, and the collinearity
        // of the estimation's regressors.
        static const char* const checkout_options[] = {" / COLLIN", " / LOWER=0 UPPER=5 COUNTS=CN",
                                                       " / COLLIN VIF=VF VIFMAX=2 CONDMAX=3",
                                                       " / UPPER=-1 LOWER=1", " / COLLIN COUNTS="};
        static_assert(sizeof checkout_options / sizeof checkout_options[0] == OPTIONS);
        const std::string option = command == POOL        ? pool_options[option_row]
                                   : command == LP        ? lp_options[option_row]
                                   : command == CONVERT   ? convert_options[option_row]
                                   : command == BAYES     ? bayes_options[option_row]
                                   : command == GAMES     ? " / ROWSTRAT=RS COLSTRAT=CS"
                                   : command == QP        ? qp_options[option_row]
                                   : command == PORTFOLIO ? portfolio_options[option_row]
                                   : command == GLS       ? gls_options[option_row]
                                   : command == IV ? iv_options[(selector / 4 + line) % IV_OPTIONS]
                                   : command == AUTO   ? auto_options[option_row]
                                   : command == ARIMA  ? arima_options[option_row]
                                   : command == PLOTS  ? plots_options[option_row]
                                   : command == SMOOTH ? smooth_options[option_row]
                                   : command == VAR    ? var_options[option_row]
                                   : command == ROBUST ? robust_options[option_row]
                                   : command == COINT  ? coint_options[line % 3]
                                   : command == DLAGS  ? dlags_options[option_row]
                                   : command == GME    ? gme_options[option_row]
                                   : command == FLS    ? fls_options[option_row]
                                   : command == FUZZY  ? fuzzy_options[option_row]
                                                       : options[option_row];
        if (command == SYSTEM)
            script += std::string("SYSTEM / METHOD=") + system_methods[(selector / 4 + line) % 3] +
                      "\nEQ Y X\nEQ " + text + "\nEXOGENOUS Z D\nEND\nTEST X_1 = 0\n";
        else if (command == PLOTS)
            script += "PLOTS " + text + option + "\nCONFIDEN " + text + " / LINES=6 COLS=50\n" +
                      stock_settings[option_row] + "STOCKGRA " + text + stock_options[option_row] +
                      "\nSPREAD " + text + "\nUSER / WORD=" + text + "\n";
        else if (command == DLAGS)
            script += commands[command] + text + option + "\nDIAGNOSE" +
                      diagnose_options[(selector + line) % OPTIONS] + "\n";
        else if (command < 2)
            script += std::string(commands[command]) + option + "\nCOEF A 1 B 0.5 C 0.1\nEQ " +
                      text + "\nEND\nFCAST / PREDICT=P\nTEST A = 1\n";
        else if (command == OPTPRICE)
            script += std::string(line % 2 ? "PUTOPTIO" : "CALLOPTI") + " / STRIKE=" + text +
                      optprice_options[option_row] + "\n";
        else if (command == BAYES)
            script += commands[command] + text + option + "\nRESTRICT X .GT. 0\nEND\nTEST X = 0\n";
        else if (command == CONVERT)
            script += commands[command] + text + option + "\nPRINT $N\n";
        else if (command == LP || command == GAMES || command == QP || command == PORTFOLIO)
            script += commands[command] + text + option + "\nPRINT $VAL\n";
        else if (command == VAR)
            // After VAR, FCAST forecasts every equation past the estimation's end.
            script += commands[command] + text + (line % 2 ? " ; D" : "") + option +
                      "\nFCAST / BEG=7 END=9 PREDICT=P FCSE=S LIST\n";
        else
            script += commands[command] + text + option + "\nFCAST / PREDICT=P\nCHECKOUT " + text +
                      checkout_options[option_row] + "\n";
        start = end + 1;
        ++line;
    }
    return script + "STOP\n";
}

// TARVEX_FUZZ_MODE=expr, matrix, estimation or script keeps a whole run in one mode whatever
// the first byte: expr, matrix and estimation take the selector bits from it, script reads
// every input as commands.
enum class Mode { ANY, EXPRESSIONS, MATRIX, ESTIMATION, SCRIPT };

Mode mode_from_environment() {
    const char* mode = std::getenv("TARVEX_FUZZ_MODE");
    if (mode == nullptr) return Mode::ANY;
    const std::string name(mode);
    if (name == "expr") return Mode::EXPRESSIONS;
    if (name == "matrix") return Mode::MATRIX;
    if (name == "estimation") return Mode::ESTIMATION;
    if (name == "script") return Mode::SCRIPT;
    std::fprintf(stderr, "TARVEX_FUZZ_MODE must be expr, matrix, estimation or script\n");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    static const Mode mode = mode_from_environment();
    const unsigned char first = size > 0 ? data[0] : 0;
    const std::string rest =
        size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
    if (mode == Mode::MATRIX || (mode == Mode::ANY && first >= 0xB0 && first < 0xC0)) {
        run_input(matrix_script(rest, static_cast<unsigned char>(0xB0 | (first & 0x0F))));
        return 0;
    }
    if (mode == Mode::ESTIMATION || (mode == Mode::ANY && first >= 0xA0 && first < 0xB0)) {
        run_input(estimation_script(rest, static_cast<unsigned char>(first & 0x0F)));
        return 0;
    }
    if (mode == Mode::EXPRESSIONS || (mode == Mode::ANY && first >= 0xC0)) {
        run_input(expressions_script(rest, static_cast<unsigned char>(0xC0 | first)));
        return 0;
    }
    // Commands that reach the shell or resize the work area are not what this target explores
    // (REN covers every abbreviation of RENAME, whose file form runs the shell).
    // READ statements whose data lines are the input itself.
    static const char* const READ_PREFIXES[] = {
        "",
        "READ X Y Z\n",
        "SAMPLE 1 5\nREAD X Y / BYVAR\n",
        "READ M / COLS=3\n",
        "READ S / SYMAT COLS=3\n",
        "READ C / CHARSTR\n",
        "READ N / CHARVAR\n",
        "SET TALK\nREAD A B\n",
        "READ X Y / FORMAT=COMMA BIND\n",
    };
    constexpr std::size_t PREFIXES = sizeof READ_PREFIXES / sizeof READ_PREFIXES[0];
    std::string prefix;
    if (size > 0 && data[0] < PREFIXES) {
        prefix = READ_PREFIXES[data[0]];
        ++data;
        --size;
    }
    std::string script(reinterpret_cast<const char*>(data), size);
    std::string upper = script;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* word : {"SYS", "SIZE", "PAR", "DIR", "CD", "FILE", "PAUSE", "REN", "CRY"}) {
        for (std::size_t at = 0; (at = upper.find(word, at)) != std::string::npos; ++at)
            script[at] = '*';
    }
    // DO loops and procedures replay statements; digit runs are cut to two digits so that the
    // passes of two nested loops stay in the thousands and each input runs quickly.
    int digits = 0;
    for (char& c : script) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits > 2) c = ' ';
    }
    run_input(prefix + script + "\nEND\nSTOP\n");
    return 0;
}
