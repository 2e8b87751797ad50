/*
 * Fiscal printer plug-in interface of the OPOS connection on systems without
 * OPOS (Linux). A vendor or integrator provides a shared library that exports
 *
 *     const ovfptr_interface* ovfptr_get_interface(void);
 *
 * answering a table of functions that stays valid while the library is
 * loaded. The OPOS connection names the library in its LibraryName element
 * (a path, or a name the dynamic loader finds); DeviceName is the logical
 * device name given to open.
 *
 * The functions follow the OPOS Fiscal Printer control: every method answers
 * an OPOS result code (0 success, 101..115 failures, 114 with the reason in
 * result_code_extended). Texts are UTF-8, zero-terminated. A text the plug-in
 * answers belongs to the device and stays valid until the next call on that
 * device. Amounts are currency values: signed 64-bit counts of
 * ten-thousandths (12.5 is 125000); quantities are thousandths (1.5 is 1500).
 * Booleans are 0 or 1. One device is used by one thread at a time.
 */
#ifndef OV_FISCAL_PRINTER_PLUGIN_H
#define OV_FISCAL_PRINTER_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OVFPTR_INTERFACE_VERSION 1

typedef struct ovfptr_device ovfptr_device; /* the plug-in's own */

typedef struct ovfptr_interface {
  uint32_t version; /* OVFPTR_INTERFACE_VERSION */
  uint32_t size;    /* sizeof(ovfptr_interface) of the plug-in's header */

  /* One control object: created with the handler, destroyed with it. */
  ovfptr_device* (*create)(void);
  void (*destroy)(ovfptr_device* device);

  int32_t (*open)(ovfptr_device* device, const char* device_name);
  int32_t (*claim_device)(ovfptr_device* device, int32_t timeout_ms);
  int32_t (*release_device)(ovfptr_device* device);
  int32_t (*close)(ovfptr_device* device);

  int32_t (*begin_fiscal_receipt)(ovfptr_device* device, int32_t print_header);
  int32_t (*end_fiscal_receipt)(ovfptr_device* device, int32_t print_header);
  int32_t (*begin_non_fiscal)(ovfptr_device* device);
  int32_t (*end_non_fiscal)(ovfptr_device* device);
  int32_t (*print_normal)(ovfptr_device* device, int32_t station, const char* data);
  int32_t (*print_rec_item)(ovfptr_device* device, const char* description, int64_t price, int32_t quantity,
                            int32_t vat_info, int64_t unit_price, const char* unit_name);
  int32_t (*print_rec_item_void)(ovfptr_device* device, const char* description, int64_t price, int32_t quantity,
                                 int32_t vat_info, int64_t unit_price, const char* unit_name);
  int32_t (*print_rec_refund)(ovfptr_device* device, const char* description, int64_t amount, int32_t vat_info);
  int32_t (*print_rec_item_adjustment)(ovfptr_device* device, int32_t adjustment_type, const char* description,
                                       int64_t amount, int32_t vat_info);
  int32_t (*print_rec_subtotal)(ovfptr_device* device, int64_t amount);
  int32_t (*print_rec_subtotal_adjustment)(ovfptr_device* device, int32_t adjustment_type, const char* description,
                                           int64_t amount);
  int32_t (*print_rec_total)(ovfptr_device* device, int64_t total, int64_t payment, const char* description);
  int32_t (*print_rec_not_paid)(ovfptr_device* device, const char* description, int64_t amount);
  int32_t (*print_rec_message)(ovfptr_device* device, const char* message);
  int32_t (*print_rec_tax_id)(ovfptr_device* device, const char* tax_id);
  int32_t (*reset_printer)(ovfptr_device* device);
  int32_t (*print_x_report)(ovfptr_device* device);
  int32_t (*print_z_report)(ovfptr_device* device);
  int32_t (*begin_training)(ovfptr_device* device);
  int32_t (*end_training)(ovfptr_device* device);
  int32_t (*set_date)(ovfptr_device* device, const char* date); /* ddmmyyyyhhnn */
  int32_t (*get_date)(ovfptr_device* device, const char** date);
  int32_t (*get_data)(ovfptr_device* device, int32_t data_item, int32_t* opt_args, const char** data);
  /* string_in is the caller's text; *string_out the answer (string_in when the command answers none). */
  int32_t (*direct_io)(ovfptr_device* device, int32_t command, int32_t* data, const char* string_in,
                       const char** string_out);

  /* Properties. */
  int32_t (*get_device_enabled)(ovfptr_device* device);
  void (*set_device_enabled)(ovfptr_device* device, int32_t enabled);
  int32_t (*get_result_code_extended)(ovfptr_device* device);
  const char* (*get_error_string)(ovfptr_device* device);
  int32_t (*get_cover_open)(ovfptr_device* device);
  int32_t (*get_day_opened)(ovfptr_device* device);
  int32_t (*get_rec_empty)(ovfptr_device* device);
  int32_t (*get_rec_near_end)(ovfptr_device* device);
  int32_t (*get_training_mode_active)(ovfptr_device* device);
  int32_t (*get_printer_state)(ovfptr_device* device);
  int32_t (*get_remaining_fiscal_memory)(ovfptr_device* device);
  const char* (*get_additional_trailer)(ovfptr_device* device);
  void (*set_additional_trailer)(ovfptr_device* device, const char* trailer);
  void (*set_pre_line)(ovfptr_device* device, const char* pre_line);
  void (*set_fiscal_receipt_type)(ovfptr_device* device, int32_t receipt_type);
} ovfptr_interface;

typedef const ovfptr_interface* (*ovfptr_get_interface_function)(void);

#ifdef __cplusplus
}
#endif

#endif /* OV_FISCAL_PRINTER_PLUGIN_H */
