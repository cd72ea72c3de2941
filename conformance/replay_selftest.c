/*
 * replay_selftest.c - --flip-fields of the conformance replayer: its check
 * that every result the record holds is compared, strictly enough to notice
 * one bit or character.
 *
 * Not compiled on its own: replay.c includes it (after everything it uses,
 * before main), so that the replayer a device team builds is still the one
 * command over replay.c, and the check runs as that compiler built it.
 */

/* --flip-fields VECTORS proves the comparisons themselves. From the
 * record it takes a passing record of every kind, and for every field of
 * COMPARED_FIELDS (in every operation of a B record) replays a copy
 * with only that field's column changed: the replay must then notice that
 * field and no other, and fail (a wrong platform result fails only where
 * the library computes with this arithmetic; the flip uses a result the
 * library depends on, not a square root). Before that it checks that every
 * fixed column of every kind of record is an input or the column of
 * exactly one compared field, so that a field cannot drop out of the list
 * unnoticed either. */

#define SAMPLE_LINES 64

/* A record, and what must be replayed before it: a key line comes after
 * its sequence's S line and the keys before it, an H record after the W
 * record. */
struct sample {
    int count; /* lines, the record itself last */
    long line[SAMPLE_LINES];
    char *text[SAMPLE_LINES];
};

static char *copy_text(const char *s)
{
    char *p = (char *)malloc(strlen(s) + 1);
    if (p == NULL)
        fatal("out of memory");
    strcpy(p, s);
    return p;
}

/* The kind of a record line: 'K' for a key line. */
static char line_kind(const char *line)
{
    return (line[0] >= '0' && line[0] <= '9') || line[0] == '-' ? 'K' : line[0];
}

static void add_line(struct sample *s, long line, const char *text)
{
    if (s->count < SAMPLE_LINES) {
        s->line[s->count] = line;
        s->text[s->count] = copy_text(text);
    }
    ++s->count; /* a count beyond SAMPLE_LINES marks a sequence too long to sample */
}

static void drop_lines(struct sample *s)
{
    int i;
    for (i = 0; i < s->count && i < SAMPLE_LINES; ++i)
        free(s->text[i]);
    s->count = 0;
}

/* A replay as fresh as the program's first: whatever the run state holds,
 * all of it zero at once. Its platform report counts as made: only the
 * flip of a platform result prints one. */
static void reset_run(void)
{
    memset(&g_run, 0, sizeof g_run);
    g_run.platform.reported = 1;
}

/* Replays sample s afresh, the column of its record replaced by token
 * (none when column is -1); then the soak's first block, if s holds it. */
static void replay_sample(const struct sample *s, int column, const char *token)
{
    static char line[MAX_LINE], copy[MAX_LINE];
    static char *fields[MAX_FIELDS];
    int i;
    reset_run();
    for (i = 0; i < s->count; ++i) {
        int n;
        g_run.line = s->line[i];
        strcpy(line, s->text[i]);
        strcpy(copy, line);
        n = split(line, fields);
        if (i == s->count - 1 && column >= 0 && column < n)
            fields[column] = (char *)token;
        replay_record(fields, n, copy);
    }
    if (g_run.soak.blocks > 0) {
        g_opt.soak = TQCAL_SOAK_BLOCK;
        run_soak();
    }
}

/* Whether sample s passes on this build as recorded (quietly). */
static int sample_passes(const struct sample *s)
{
    const long show = g_opt.show;
    int id;
    g_opt.show = 0;
    replay_sample(s, -1, NULL);
    g_opt.show = show;
    for (id = 0; id < FIELD_COUNT; ++id) {
        if (g_run.noticed[id] != 0)
            return 0;
    }
    return g_run.failed == 0;
}

/* Keeps candidate as the sample of its kind when the kind has none yet and
 * it passes on this build; drops it otherwise. */
static void offer_sample(struct sample *samples, char kind, struct sample *candidate)
{
    struct sample *s = &samples[kind_of(kind) - RECORD_KINDS];
    if (s->count == 0 && candidate->count <= SAMPLE_LINES && sample_passes(candidate)) {
        *s = *candidate;
        memset(candidate, 0, sizeof *candidate);
        return;
    }
    drop_lines(candidate);
}

/* Takes the first record of every kind from the file that passes on this
 * build: for key lines the last of the first such sequence short enough to
 * hold; of the platform operations, one that is not a square root. */
static void take_samples(struct sample *samples)
{
    static char line[MAX_LINE];
    struct sample sequence, soak_header, one;
    long number = 0;
    int header = 0;
    FILE *in = open_record();
    memset(&sequence, 0, sizeof sequence);
    memset(&soak_header, 0, sizeof soak_header);
    memset(&one, 0, sizeof one);
    while (fgets(line, sizeof line, in) != NULL) {
        size_t len = strlen(line);
        char kind;
        ++number;
        while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
            line[--len] = '\0';
        if (len == 0 || line[0] == '#')
            continue;
        if (!header) {
            header = 1;
            continue;
        }
        kind = line_kind(line);
        if (kind == 'K') {
            add_line(&sequence, number, line);
            continue;
        }
        if (sequence.count > 1)
            offer_sample(samples, 'K', &sequence);
        drop_lines(&sequence);
        if (kind == 'S') {
            add_line(&sequence, number, line);
        } else if (kind == 'W') {
            drop_lines(&soak_header);
            add_line(&soak_header, number, line);
        } else if (kind_of(kind) != NULL && samples[kind_of(kind) - RECORD_KINDS].count == 0 &&
                   !(kind == 'A' && strncmp(line, "A sqrt ", 7) == 0)) {
            if (kind == 'H' && soak_header.count == 1)
                add_line(&one, soak_header.line[0], soak_header.text[0]);
            add_line(&one, number, line);
            offer_sample(samples, kind, &one);
        }
    }
    if (sequence.count > 1)
        offer_sample(samples, 'K', &sequence);
    drop_lines(&sequence);
    drop_lines(&soak_header);
    fclose(in);
}

/* token with its value changed as little as its type allows: the last
 * character of a text, one more for an integer, another result state,
 * the lowest bit (a NaN, which would compare equal, becomes 0). */
static void flip_token(enum field_type type, const char *token, char *out)
{
    const size_t n = strlen(token);
    uint64_t bits;
    switch (type) {
    case T_DISPLAY:
    case T_TEXT:
        strcpy(out, strcmp(token, "!") == 0 ? "9" : token);
        if (strcmp(token, "!") != 0)
            out[n - 1] = token[n - 1] == '9'                          ? '8'
                         : token[n - 1] >= '0' && token[n - 1] <= '8' ? (char)(token[n - 1] + 1)
                                                                      : '9';
        break;
    case T_INT: sprintf(out, "%ld", parse_int(token) + 1); break;
    case T_STATE: sprintf(out, "%c", token[0] == 'O' ? 'E' : token[0] == 'E' ? 'F' : 'O'); break;
    case T_HEX: record_hex(parse_hex(token) ^ 1u, out); break;
    case T_DOUBLE:
    case T_PLATFORM:
        bits = parse_hex(token);
        record_hex(is_nan(bits) ? 0 : bits ^ 1u, out);
        break;
    }
}

/* Flips field id (in operation group) in sample s of kind k; returns
 * whether the replay caught it. */
static int flip_field(const struct record_kind *k, const struct sample *s, int id, int group)
{
    static char line[MAX_LINE];
    static char *fields[MAX_FIELDS];
    const struct field *f = &FIELDS[id];
    char token[TEXT_CELLS + 20], flipped[TEXT_CELLS + 20], where[40] = "";
    int column, n, i;
    long others = 0;
    strcpy(line, s->text[s->count - 1]);
    n = split(line, fields);
    column = field_column(f, group, n);
    if (column >= n || strlen(fields[column]) >= TEXT_CELLS)
        fatal("the sampled record lacks a compared column");
    strcpy(token, fields[column]);
    flip_token(f->type, token, flipped);
    if (k->group_names != NULL)
        sprintf(where, " (operation %c)", k->group_names[group]);
    fprintf(g_opt.out, "flip: %s record of line %ld%s, %s %s -> %s\n", k->name,
            s->line[s->count - 1], where, f->name, token, flipped);
    replay_sample(s, column, flipped);
    if (k->kind == 'A') {
        g_run.platform.reported = 0;
        platform_report();
    }
    for (i = 0; i < FIELD_COUNT; ++i)
        others += i != id ? g_run.noticed[i] : 0;
    if (g_run.noticed[id] == 1 && others == 0 &&
        (g_run.failed == 1 || (k->kind == 'A' && LIBRARY_OWN_ARITHMETIC))) {
        fprintf(g_opt.out, "flip: caught, named \"%s\"\n", f->name);
        return 1;
    }
    fprintf(g_opt.out, "flip: NOT CAUGHT: %s\n",
            g_run.noticed[id] == 0 ? "the replay passed the copy: the field is not compared"
            : others > 0           ? "the replay named other fields as well"
                                   : "the replay noticed the field but did not fail");
    return 0;
}

/* Every fixed column of every kind of record is an input or the column of
 * exactly one compared field in each operation; every field belongs to a
 * kind and lies within its columns. Prints each problem; returns their
 * number. */
static int check_columns(void)
{
    int problems = 0, id, k, c, g;
    for (id = 0; id < FIELD_COUNT; ++id) {
        const struct record_kind *kind = kind_of(FIELDS[id].kind);
        if (kind == NULL || (kind->columns == 0) != (FIELDS[id].column == LAST_COLUMN)) {
            fprintf(g_opt.out,
                    "flip: the field \"%s\" belongs to no kind of record, or to no column\n",
                    FIELDS[id].name);
            ++problems;
        }
    }
    for (k = 0; k < KIND_COUNT; ++k) {
        const struct record_kind *kind = &RECORD_KINDS[k];
        const int groups = kind->group_names != NULL ? (int)strlen(kind->group_names) : 1;
        int uses[MAX_FIELDS], compared = 0;
        for (c = 0; c < MAX_FIELDS; ++c)
            uses[c] = c < kind->columns && ((kind->inputs >> c) & 1u) != 0;
        for (id = 0; id < FIELD_COUNT; ++id) {
            if (FIELDS[id].kind != kind->kind)
                continue;
            ++compared;
            for (g = 0; g < groups && FIELDS[id].column != LAST_COLUMN; ++g) {
                c = field_column(&FIELDS[id], g, kind->columns);
                if (c >= 0 && c < MAX_FIELDS)
                    ++uses[c];
                if (c < 0 || c >= kind->columns) {
                    fprintf(g_opt.out,
                            "flip: the field \"%s\" lies beyond the %d columns of a %s record\n",
                            FIELDS[id].name, kind->columns, kind->name);
                    ++problems;
                }
            }
        }
        if (compared == 0) {
            fprintf(g_opt.out, "flip: nothing of a %s record is compared\n", kind->name);
            ++problems;
        }
        for (c = 0; c < kind->columns; ++c) {
            if (uses[c] == 1)
                continue;
            fprintf(g_opt.out, "flip: column %d of a %s record is %s\n", c, kind->name,
                    uses[c] == 0 ? "neither an input nor compared" : "read more than once");
            ++problems;
        }
    }
    if (problems == 0)
        fprintf(g_opt.out,
                "flip: every column of every kind of record is an input or a compared field\n");
    return problems;
}

static int flip_fields(void)
{
    static struct sample samples[KIND_COUNT];
    int problems = check_columns(), k, flips = 0, caught = 0;
    take_samples(samples);
    for (k = 0; k < KIND_COUNT; ++k) {
        const struct record_kind *kind = &RECORD_KINDS[k];
        const struct sample *s = &samples[k];
        const int groups = kind->group_names != NULL ? (int)strlen(kind->group_names) : 1;
        int id, g;
        if (s->count == 0) {
            fprintf(g_opt.out, "flip: %s has no %s record that passes on this build to flip\n",
                    g_opt.path, kind->name);
            ++problems;
            continue;
        }
        for (g = 0; g < groups; ++g) {
            for (id = 0; id < FIELD_COUNT; ++id) {
                if (FIELDS[id].kind != kind->kind)
                    continue;
                ++flips;
                caught += flip_field(kind, s, id, g);
            }
        }
    }
    fprintf(g_opt.out,
            "flip: %d fields flipped one at a time, %d caught, %d not; %d other problems\n", flips,
            caught, flips - caught, problems);
    return flips > 0 && caught == flips && problems == 0 ? 0 : 1;
}
