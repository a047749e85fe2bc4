// The command word table and the French alias table, slot by slot.
#include "core/command_table.hpp"

namespace tarvex {

namespace {

// clang-format off
// Sized by their entries, so that a missing or extra word stops the build instead of leaving a
// null pointer in the last slots.
constexpr auto COMMAND_WORD_LIST = std::to_array<const char*>({
    "MENU", "GENR", "READ", "PRINT", "WRITE", "OLSQ", "SET", "DISPLAY",
    "STOP", "IF", "SKIPIF", "SAMPLE", "DO", "RESTRICT", "TEST", "EXECUTE",
    "END", "HELP", "NAMES", "LAMBDA", "FORMAT", "DIMENSIO", "DUMP", "ENDO",
    "DELETE", "AUTO", "STATS", "PLOTS", "POOL", "GLS", "RENAME", "COMPRESS",
    "TITLE", "TIME", "SORT", "REWIND", "GAMES", "CHECKOUT", "MATRIX", "GEN1",
    "DISTRIB", "COPY", "BOX", "2SLS", "SAVE", "RESTORE", "SPREAD", "PARM",
    "FCAST", "SYSTEM", "LIST", "NLINEAR", "DLAGS", "INDEX", "PROBIT", "LOGIT",
    "TOBIT", "MLE", "EQ", "COEFFICI", "LAGS", "ENDIF", "FILE", "SIZE",
    "PCOMPONE", "DEMONSTR", "PAUSE", "USER", "DIAGNOSE", "INSTRUME", "TABLES", "ARIMA",
    "GOTO", "BAYES", "CONFIDEN", "SMPL", "ROBUST", "INQUIRE", "HETERO", "PROCEDUR",
    "PROCEND", "ENDOGENO", "EXOGENOU", "LAGGED", "DERIVATI", "INTEGRAT", "IDENTITY", "TARVEDIT",
    "QUIT", "EXIT", "IMLS", "COINTEGR", "CONVERT", "IF1", "LP", "NONPAR",
    "xxxxxxxx", "GME", "FLS", "DOWNLOAD", "VAR", "FUZZY", "CALLOPTI", "PUTOPTIO",
    "PORTFOLI", "STOCKGRA", "TIMEFMT", "AXISFMT", "GRAPH", "SMOOTH", "RESET", "tarvex1",
    "tarvex2", "tarvex3", "tarvex4", "NAMEFMT", "QP", "DUMMIES", "xxxxxxxx", "xxxxxxxx",
});
// clang-format on
static_assert(COMMAND_WORD_LIST.size() == NCOMMAND, "one command word for each slot");

// clang-format off
constexpr auto FRENCH_WORD_LIST = std::to_array<const char*>({
    "FRANCA", "GENR", "LIS", "ECRIS", "IMPRIME", "MCO", "OUVRE", "VISUEL",
    "ARRETE", "SI", "SAUTESI", "PRENDS", "FAIS", "RESTR", "TESTE", "EXEC",
    "FIN", "AIDE", "NOMS", "CHOIX", "FORMAT", "DIM", "DEVERSE", "FFIN",
    "SUPPRIME", "AUTO", "STATS", "TRACE", "MELE", "MCG", "RENOMME", "COMPRIME",
    "TITRE", "CHRONO", "CLASSE", "REBOBINE", "MONDIAL", "VERIFIE", "MATRICE", "GEN1",
    "DISTRIB", "COPIE", "BOX", "2MC", "GARDE", "RETABLIS", "SPREAD", "PAR",
    "PREVOIS", "SYSTEME", "LISTE", "NLIN", "MRE", "INDICES", "PROBLA", "LOGLA",
    "TOBLA", "EMV", "EQ", "COEF", "LAGS", "FINSI", "FICHIER", "NOMBRE",
    "COMPR", "DEMO", "PAUSE", "USAGER", "DIAGNOSE", "INSTRUME", "TABLEAUX", "ARIMA",
    "VA", "BAYES", "CONFIANC", "SMPL", "ROBUSTE", "INQUIRE", "HETERO", "PROCEDUR",
    "PROCFIN", "ENDOGENO", "EXOGENOU", "LAGGED", "DERIVEES", "INTEGRAT", "IDENTITY", "TARVEDIT",
    "QUIT", "EXIT", "IMLS", "COINT", "CONVERT", "IF1", "PLI", "NONPAR",
    "xxxxxxxx", "GME", "FLS", "DOWNLOAD", "VAR", "FUZZY", "OPTACHAT", "OPTVENTE",
    "PORTFOLI", "GRAPHACT", "TIMEFMT", "AXISFMT", "GRAPHIQU", "LISSER", "xxxxxxxx", "xxxxxxxx",
    "xxxxxxxx", "xxxxxxxx", "xxxxxxxx", "xxxxxxxx", "xxxxxxxx", "xxxxxxxx", "xxxxxxxx", "xxxxxxxx",
});
// clang-format on
static_assert(FRENCH_WORD_LIST.size() == NCOMMAND, "one French alias for each slot");

} // namespace

const std::array<const char*, NCOMMAND> COMMAND_WORDS = COMMAND_WORD_LIST;
const std::array<const char*, NCOMMAND> FRENCH_WORDS = FRENCH_WORD_LIST;

} // namespace tarvex
