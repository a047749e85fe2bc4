/* Plug-in libraries for the USER tests, one source built several ways: FIXTURE_WORD is the
 * command word it registers, FIXTURE_VERSION the interface version it claims, and
 * FIXTURE_NO_ENTRY leaves the entry out. The command FIXTURE does what its first argument asks,
 * so that the tests reach every path of the interface:
 *   ARGS ...      writes its arguments and the options A, B and NAME
 *   SCALAR name   writes the scalar's value, or that there is none
 *   COUNT         stores one value more than the sample has
 *   NAME          stores under a name that is not one
 *   FAIL          returns a failure without a message
 *   ERROR         reports an error of its own (number 7) */
#include "plugin/tarvex_plugin.h"

#include <stdio.h>
#include <string.h>

#ifndef FIXTURE_WORD
#define FIXTURE_WORD "FIXTURE"
#endif
#ifndef FIXTURE_VERSION
#define FIXTURE_VERSION TARVEX_PLUGIN_INTERFACE_VERSION
#endif

static void write_option(const struct tarvex_api* api, tarvex_statement* st, const char* key) {
    char line[131];
    const char* value = api->option(st, key);
    snprintf(line, sizeof line, " OPTION %s: %s", key, value == NULL ? "(ABSENT)" : value);
    api->write_line(st, line);
}

static int fixture(const struct tarvex_api* api, tarvex_statement* st) {
    char line[131];
    const char* what = api->argument_count(st) > 0 ? api->argument(st, 0) : "";
    if (strcmp(what, "ARGS") == 0) {
        for (int i = 0; i < api->argument_count(st); ++i) {
            snprintf(line, sizeof line, " ARGUMENT %d: %s", i, api->argument(st, i));
            api->write_line(st, line);
        }
        write_option(api, st, "A");
        write_option(api, st, "b");
        write_option(api, st, "NAME");
        return 0;
    }
    if (strcmp(what, "SCALAR") == 0 && api->argument_count(st) == 2) {
        tarvex_real value;
        if (api->read_scalar(st, api->argument(st, 1), &value) != 0)
            snprintf(line, sizeof line, " NO SCALAR %s", api->argument(st, 1));
        else
            snprintf(line, sizeof line, " SCALAR %s =%s", api->argument(st, 1),
                     api->format_real(st, value, 14, 7));
        api->write_line(st, line);
        return 0;
    }
    if (strcmp(what, "COUNT") == 0) {
        tarvex_real values[2] = {1, 2};
        return api->store_series(st, "FIXOUT", values, api->sample_size(st) + 1) == 0 ? 0 : 1;
    }
    if (strcmp(what, "NAME") == 0) return api->store_scalar(st, "9BAD", 1) == 0 ? 0 : 1;
    if (strcmp(what, "ERROR") == 0) {
        api->report_error(st, "FIXTURE REPORTS AN ERROR OF ITS OWN", 7);
        return 1;
    }
    return 2; /* FAIL, and anything else */
}

#ifndef FIXTURE_NO_ENTRY
static const struct tarvex_plugin FIXTURE_PLUGIN = {FIXTURE_VERSION, FIXTURE_WORD, fixture};

__attribute__((visibility("default"))) const struct tarvex_plugin* tarvex_plugin_entry(void) {
    return &FIXTURE_PLUGIN;
}
#else
/* The command is there, under a name the engine does not look for. */
__attribute__((visibility("default"))) tarvex_command_function tarvex_fixture_command = fixture;
#endif
