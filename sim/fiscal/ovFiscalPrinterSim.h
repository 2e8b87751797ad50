/*
 * ovfptr-sim: a fiscal printer simulator behind the plug-in interface of
 * include/ovFiscalPrinterPlugin.h, for the tests and for trying the OPOS
 * connection without a printer. Name libovfptr_sim.so in the connection's
 * LibraryName.
 *
 * It keeps one printer per logical device name, for the life of the process:
 * day opened or closed, training mode, paper and cover, the receipt being
 * printed and a journal of every line printed. Calls in the wrong state
 * answer OPOS_E_EXTENDED with OPOS_EFPTR_WRONG_STATE, as the real ones do.
 * Known names: "FiscalPrinter", those of the environment variable
 * OVFPTR_SIM_PRINTERS (comma-separated) and those added below; Open of any
 * other answers OPOS_E_NOEXIST. With OVFPTR_SIM_JOURNAL_DIR set, each
 * printer's journal is also appended to <dir>/<name>.journal.
 *
 * The functions below set the simulated hardware's conditions and read the
 * journal; texts are UTF-8.
 */
#ifndef OV_FISCAL_PRINTER_SIM_H
#define OV_FISCAL_PRINTER_SIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Makes the name known (a fresh printer when it was not). Answers 0. */
int32_t ovfptr_sim_add_printer(const char* name);
/* condition: "cover-open", "rec-empty", "rec-near-end" or "offline"; value 0 or 1.
   Answers 0, or -1 for an unknown printer or condition. */
int32_t ovfptr_sim_set_condition(const char* name, const char* condition, int32_t value);
/* The journal, one printed line per line ("\n" after each); empty for an
   unknown printer. Valid until the next call of this function. */
const char* ovfptr_sim_journal(const char* name);
/* Forgets every printer and session state (the known names stay). */
void ovfptr_sim_reset(void);

#ifdef __cplusplus
}
#endif

#endif /* OV_FISCAL_PRINTER_SIM_H */
