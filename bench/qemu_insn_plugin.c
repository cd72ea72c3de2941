/*
 * A plugin for qemu's user-mode emulators that counts the guest instructions
 * executed, by the address of the translated block they belong to: at exit
 * it writes one line per block that ran, "ADDRESS INSTRUCTIONS" (hex
 * address, decimal count), to the file named by its out= argument. Exact
 * and the same on every run, unlike times; bench/ce_instructions.sh sums
 * the lines that fall inside one library or DLL.
 *
 *   qemu-arm -plugin ./libqemu_insn.so,out=counts.txt PROGRAM...
 *
 * Debian's qemu runs plugins but ships neither the plugin header nor the
 * example plugins, so the few declarations of qemu's plugin interface
 * (version 1, which qemu 7.2 speaks) that this needs are written out here.
 */
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef uint64_t qemu_plugin_id_t;
struct qemu_plugin_tb;
typedef struct {
    const char *target_name;
    struct {
        int min;
        int cur;
    } version;
    bool system_emulation;
} qemu_info_t;
enum qemu_plugin_op { QEMU_PLUGIN_INLINE_ADD_U64 };
typedef void (*qemu_plugin_vcpu_tb_trans_cb_t)(qemu_plugin_id_t id, struct qemu_plugin_tb *tb);
typedef void (*qemu_plugin_udata_cb_t)(qemu_plugin_id_t id, void *userdata);
void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t id, qemu_plugin_vcpu_tb_trans_cb_t cb);
void qemu_plugin_register_vcpu_tb_exec_inline(struct qemu_plugin_tb *tb, enum qemu_plugin_op op,
                                              void *ptr, uint64_t imm);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb *tb);
uint64_t qemu_plugin_tb_vaddr(const struct qemu_plugin_tb *tb);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t id, qemu_plugin_udata_cb_t cb, void *userdata);

#define EXPORTED __attribute__((visibility("default")))

EXPORTED int qemu_plugin_version = 1;

/* One translated block: its address, its instructions and how often it
 * ran (added to by the generated code itself). A block translated again
 * gets a record of its own; the lines are summed by address. */
struct block {
    uint64_t address;
    uint64_t instructions;
    uint64_t runs;
    struct block *next;
};

static struct block *blocks;
static const char *out_path;

static void translated(qemu_plugin_id_t id, struct qemu_plugin_tb *tb)
{
    struct block *b = calloc(1, sizeof *b);
    (void)id;
    if (!b) {
        fprintf(stderr, "qemu_insn: out of memory\n");
        exit(70);
    }
    b->address = qemu_plugin_tb_vaddr(tb);
    b->instructions = qemu_plugin_tb_n_insns(tb);
    b->next = blocks;
    blocks = b;
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &b->runs, 1);
}

static void finished(qemu_plugin_id_t id, void *userdata)
{
    FILE *f = fopen(out_path, "w");
    const struct block *b;
    (void)id;
    (void)userdata;
    if (!f) {
        fprintf(stderr, "qemu_insn: cannot write %s\n", out_path);
        return;
    }
    for (b = blocks; b; b = b->next)
        if (b->runs)
            fprintf(f, "%llx %llu\n", (unsigned long long)b->address,
                    (unsigned long long)(b->runs * b->instructions));
    fclose(f);
}

EXPORTED int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info, int argc,
                                 char **argv)
{
    int i;
    (void)info;
    for (i = 0; i < argc; i++)
        if (strncmp(argv[i], "out=", 4) == 0)
            out_path = argv[i] + 4;
    if (!out_path) {
        fprintf(stderr, "qemu_insn: the out=FILE argument is missing\n");
        return -1;
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, translated);
    qemu_plugin_register_atexit_cb(id, finished, NULL);
    return 0;
}
