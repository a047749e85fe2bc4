/* An example plug-in: the command MOVMED, a trailing moving median.
 *
 *   MOVMED series [/ SPAN=k NAME=result MEDIAN=scalar]
 *
 * stores in `result` (default MOVMED) the median of each observation and the k - 1 before it
 * (k = SPAN, default 3; a whole number, or the name of a scalar holding one); the first k - 1
 * observations of the sample, and any whose window holds a missing value, are missing. It
 * writes one report line for the result and one with the median of the whole sample, which
 * MEDIAN= also stores as a scalar. Built as libmovmedian.so; USER movmedian loads it. */
#include "plugin/tarvex_plugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MOVMED_NEEDS_SERIES = 1, MOVMED_NO_SERIES = 2, MOVMED_BAD_SPAN = 3 };

/* The median of n values (n > 0), sorting them in place. */
static tarvex_real median_of(tarvex_real* values, int n) {
    for (int i = 1; i < n; ++i) {
        tarvex_real v = values[i];
        int j = i - 1;
        while (j >= 0 && values[j] > v) {
            values[j + 1] = values[j];
            --j;
        }
        values[j + 1] = v;
    }
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/* SPAN= as a whole number: digits, or the name of a scalar holding a whole value. -1 if not. */
static long span_value(const struct tarvex_api* api, tarvex_statement* st, const char* text) {
    if (text == NULL) return 3;
    if (text[0] >= '0' && text[0] <= '9') {
        char* end = NULL;
        long k = strtol(text, &end, 10);
        return *end == '\0' ? k : -1;
    }
    tarvex_real value;
    if (api->read_scalar(st, text, &value) != 0) return -1;
    long k = (long)value;
    return (tarvex_real)k == value ? k : -1;
}

static int movmed(const struct tarvex_api* api, tarvex_statement* st) {
    char line[131];
    if (api->argument_count(st) != 1) {
        api->report_error(st, "MOVMED NEEDS ONE SERIES", MOVMED_NEEDS_SERIES);
        return 1;
    }
    const char* series = api->argument(st, 0);
    const int n = api->sample_size(st);
    tarvex_real* x = malloc(sizeof(tarvex_real) * (size_t)(n > 0 ? n : 1));
    tarvex_real* out = malloc(sizeof(tarvex_real) * (size_t)(n > 0 ? n : 1));
    tarvex_real* window = malloc(sizeof(tarvex_real) * (size_t)(n > 0 ? n : 1));
    int status = 1;
    if (x == NULL || out == NULL || window == NULL) goto done;
    if (api->read_series(st, series, x, n) < 0) {
        snprintf(line, sizeof line, "MOVMED: NO SERIES NAMED %s", series);
        api->report_error(st, line, MOVMED_NO_SERIES);
        goto done;
    }
    const long span = span_value(api, st, api->option(st, "SPAN"));
    if (span < 1 || span > n) {
        snprintf(line, sizeof line, "MOVMED: SPAN MUST BE A WHOLE NUMBER FROM 1 TO %d", n);
        api->report_error(st, line, MOVMED_BAD_SPAN);
        goto done;
    }
    const tarvex_real missing = api->missing_value(st);
    int missing_count = 0;
    for (int i = 0; i < n; ++i) {
        int full = i + 1 >= span;
        for (int j = 0; full && j < span; ++j) full = x[i - j] != missing;
        if (!full) {
            out[i] = missing;
            ++missing_count;
            continue;
        }
        memcpy(window, x + i - span + 1, sizeof(tarvex_real) * (size_t)span);
        out[i] = median_of(window, (int)span);
    }
    const char* name = api->option(st, "NAME");
    if (name == NULL || name[0] == '\0') name = "MOVMED";
    if (api->store_series(st, name, out, n) != 0) goto done;
    snprintf(line, sizeof line,
             " MOVING MEDIAN OF %s OVER %ld OBSERVATIONS STORED IN %s (%d MISSING)", series, span,
             name, missing_count);
    api->write_line(st, line);

    /* The median of the whole sample's values that are not missing. */
    int kept = 0;
    for (int i = 0; i < n; ++i)
        if (x[i] != missing) window[kept++] = x[i];
    if (kept > 0) {
        const tarvex_real whole = median_of(window, kept);
        snprintf(line, sizeof line, " MEDIAN OF %s OVER THE SAMPLE: %s", series,
                 api->format_real(st, whole, 14, 7));
        api->write_line(st, line);
        const char* scalar = api->option(st, "MEDIAN");
        if (scalar != NULL && scalar[0] != '\0' && api->store_scalar(st, scalar, whole) != 0)
            goto done;
    }
    status = 0;
done:
    free(x);
    free(out);
    free(window);
    return status;
}

static const struct tarvex_plugin MOVMED_PLUGIN = {TARVEX_PLUGIN_INTERFACE_VERSION, "MOVMED",
                                                   movmed};

__attribute__((visibility("default"))) const struct tarvex_plugin* tarvex_plugin_entry(void) {
    return &MOVMED_PLUGIN;
}
