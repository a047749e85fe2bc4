/* The C interface between the engine and a plug-in library that adds a command of its own.
 *
 * A plug-in is a shared library that exports one function, tarvex_plugin_entry, returning a
 * description of itself: the interface version it was built for, the command word it adds and
 * the function that runs the command. USER loads the library and gives the word one of the four
 * user slots; a statement beginning with the word then runs the function, which reaches the
 * engine only through the table of calls it is handed (struct tarvex_api). Nothing of C++ crosses
 * the interface: plain C types, NUL-terminated strings and arrays of reals.
 *
 * Reals are IEEE binary128 values (GCC's __float128), passed as they are, never rounded: a
 * series is an array of them, one per observation of the current sample in order, with the
 * missing-value code (api->missing_value) where an observation has no value.
 *
 * Strings the engine hands out stay valid until the command function returns.
 * Version 1 of the interface. */
#ifndef TARVEX_PLUGIN_H
#define TARVEX_PLUGIN_H

#ifdef __cplusplus
extern "C" {
#endif

#define TARVEX_PLUGIN_INTERFACE_VERSION 1

typedef __float128 tarvex_real;

/* The statement being run; only the engine looks inside. */
typedef struct tarvex_statement tarvex_statement;

struct tarvex_api {
    int interface_version; /* TARVEX_PLUGIN_INTERFACE_VERSION of the engine */

    /* The statement: its arguments (the words before "/", as typed, upper-cased) counted from
     * 0, and its options (after "/"). option() gives the value of KEYWORD=value, "" for a
     * keyword given alone, NULL when the keyword is absent; keywords match whole, in any case. */
    int (*argument_count)(tarvex_statement* st);
    const char* (*argument)(tarvex_statement* st, int index);
    const char* (*option)(tarvex_statement* st, const char* keyword);

    /* The number of observations in the current sample (what read_series gives). */
    int (*sample_size)(tarvex_statement* st);
    /* Copies the named series at the sample's observations into values[0..capacity-1]; returns
     * the count copied (the sample size), -1 when no series has the name, -2 when capacity is
     * smaller than the sample. */
    int (*read_series)(tarvex_statement* st, const char* name, tarvex_real* values, int capacity);
    /* Stores values[0..count-1] at the sample's observations as the named series (created or
     * replaced; observations outside the sample are missing). count must be the sample size.
     * Returns 0, or -1 when the name or count is refused (the engine has reported why). */
    int (*store_series)(tarvex_statement* st, const char* name, const tarvex_real* values,
                        int count);
    /* A scalar by name: a one-element variable, or a result scalar written "$NAME" (read only).
     * read_scalar returns 0, or -1 when there is no such scalar; store_scalar returns 0 or -1. */
    int (*read_scalar)(tarvex_statement* st, const char* name, tarvex_real* value);
    int (*store_scalar)(tarvex_statement* st, const char* name, tarvex_real value);
    tarvex_real (*missing_value)(tarvex_statement* st);

    /* Report output: one line (at most 130 characters are kept), and a value in the engine's
     * general number form of `width` characters with `digits` significant digits. */
    int (*write_line)(tarvex_statement* st, const char* text);
    const char* (*format_real)(tarvex_statement* st, tarvex_real value, int width, int digits);
    /* An error: the line " ...ERROR.." followed by text, and $ERR set to the command's slot
     * times 1000 plus number (1 to 59). The command should return nonzero after it. */
    void (*report_error)(tarvex_statement* st, const char* text, int number);
};

/* The command function: 0 when the command did its work, nonzero after an error. */
typedef int (*tarvex_command_function)(const struct tarvex_api* api, tarvex_statement* st);

struct tarvex_plugin {
    int interface_version;    /* TARVEX_PLUGIN_INTERFACE_VERSION when built */
    const char* command_word; /* 1 to 8 letters and digits, beginning with a letter */
    tarvex_command_function command;
};

/* The one symbol the engine looks up. */
#define TARVEX_PLUGIN_ENTRY "tarvex_plugin_entry"
const struct tarvex_plugin* tarvex_plugin_entry(void);

#ifdef __cplusplus
}
#endif

#endif
