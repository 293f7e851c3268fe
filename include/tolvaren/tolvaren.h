/* Tolvaren, the report library of the Velmar filling-station system: the
 * interface for host programs.
 *
 * A host loads libtolvaren.so (dlopen), looks the entry points below up by
 * name (dlsym) and drives the library in this order:
 *
 *   1. InitReports(fill, query, report) once, with its three procedures;
 *   2. GetReportsInStringEx(code, params, &text) for a report: the text
 *      version comes back in `text`; right after it, code '7' fetches the
 *      HTML version of the same report (the next report request resets it);
 *   3. UpdateVidOpl, GetReportVars and DCOMServerOnCreate at any time.
 *
 * Calls must not overlap: the library keeps the state of a request in
 * process-wide values, so the host calls it from one thread at a time.
 *
 * Text: every single-byte text that crosses this interface is Windows-1251
 * (the station's code page), in both directions. GetReportVars returns
 * UTF-16.
 *
 * Failures: no C++ exception ever leaves the library. Each entry point
 * reports its outcome through its result as documented below; where the
 * library has a failure message for the host, tv_last_error() returns it.
 *
 * The host's procedures are plain C functions. A procedure that cannot
 * answer returns a non-zero value (see THostCallback); the library then
 * treats the question as failed, exactly as it treats a procedure that
 * raises in the original system. Host procedures must not let an exception
 * of their own language unwind into the library; a C++ exception that does
 * is caught at the library's side and counted as a failed answer. */
#ifndef TOLVAREN_TOLVAREN_H
#define TOLVAREN_TOLVAREN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TOLVAREN_API __attribute__((visibility("default")))
#else
#define TOLVAREN_API
#endif

/* ---- Variants ---------------------------------------------------------
 * A TVVariant is a tagged value: the `vt` tag says which member of `u`
 * holds it. Type tags: */
enum {
  TV_VT_EMPTY = 0,      /* no value (unassigned) */
  TV_VT_NULL = 1,       /* SQL-style null */
  TV_VT_SMALLINT = 2,   /* u.i, 16-bit range */
  TV_VT_INTEGER = 3,    /* u.i */
  TV_VT_SINGLE = 4,     /* u.d, single precision range */
  TV_VT_DOUBLE = 5,     /* u.d */
  TV_VT_CURRENCY = 6,   /* u.i64: the amount times 10000 (four decimals) */
  TV_VT_DATE = 7,       /* u.d: days since 30.12.1899; the fraction is the time of day */
  TV_VT_OLESTR = 8,     /* u.wstr: UTF-16 text */
  TV_VT_BOOLEAN = 11,   /* u.i: 0 false, any other value true (the library writes -1) */
  TV_VT_BYTE = 17,      /* u.i, 0..255 */
  TV_VT_INT64 = 20,     /* u.i64 */
  TV_VT_STRING = 0x100, /* u.str: Windows-1251 bytes */
  TV_VT_ARRAY = 0x2000  /* u.arr: an array of variants (vt is exactly TV_VT_ARRAY) */
};

/* Flag of a variant whose text or items were allocated by the library
 * (the tv_variant_set_* functions); tv_variant_clear releases them. */
#define TV_VF_OWNED 1u

typedef struct TVVariant TVVariant;

struct TVVariant {
  uint16_t vt;    /* a TV_VT_* tag */
  uint16_t flags; /* TV_VF_OWNED or 0 */
  uint32_t reserved;
  union {
    int32_t i;
    int64_t i64;
    double d;
    struct {
      const char* ptr; /* Windows-1251 bytes; need not end with a zero byte */
      size_t len;      /* in bytes */
    } str;
    struct {
      const uint16_t* ptr; /* UTF-16 code units */
      size_t len;          /* in code units */
    } wstr;
    struct {
      /* The elements, each a full variant (they may be arrays again).
       * One dimension: items[k] is element bounds[0] + k.
       * Two dimensions: element [i, j] is items[(i - bounds[0]) * n2 +
       * (j - bounds[2])] with n2 = bounds[3] - bounds[2] + 1. */
      TVVariant* items;
      int32_t dims;      /* 1 or 2 */
      int32_t bounds[4]; /* low, high of dimension 1, then of dimension 2 */
    } arr;
  } u;
};

/* Who owns the memory a variant points to:
 *  - a variant that the host builds itself (setting vt and u directly)
 *    points to the host's memory; the library reads it only during the call
 *    it is given to and copies what it keeps;
 *  - a variant filled with the tv_variant_set_* functions owns library
 *    memory (flags has TV_VF_OWNED); tv_variant_clear releases it;
 *  - a variant that the library hands to a host procedure is valid only
 *    until the procedure returns.
 * The answer of THostCallback must be written with the tv_variant_set_*
 * functions (plain numbers may also be written directly), since the library
 * reads it after the procedure has returned. */

/* Sets *v to the value, releasing what it owned before. The texts are
 * copied. Windows-1251 text: `len` bytes, or up to the zero byte when len
 * is (size_t)-1. */
TOLVAREN_API void tv_variant_set_empty(TVVariant* v);
TOLVAREN_API void tv_variant_set_null(TVVariant* v);
TOLVAREN_API void tv_variant_set_int(TVVariant* v, int32_t value);
TOLVAREN_API void tv_variant_set_int64(TVVariant* v, int64_t value);
TOLVAREN_API void tv_variant_set_double(TVVariant* v, double value);
TOLVAREN_API void tv_variant_set_bool(TVVariant* v, int32_t value);
TOLVAREN_API void tv_variant_set_date(TVVariant* v, double value);
TOLVAREN_API void tv_variant_set_currency(TVVariant* v, int64_t tenThousandths);
/* The two text setters return 0, or -1 when memory is short (*v empty). */
TOLVAREN_API int32_t tv_variant_set_string(TVVariant* v, const char* text, size_t len);
TOLVAREN_API int32_t tv_variant_set_olestr(TVVariant* v, const uint16_t* text, size_t len);
/* An array of empty elements: dims 1 (low1..high1) or 2 (also low2..high2).
 * Returns 0, or -1 for bad bounds (dims not 1 or 2, high < low - 1, more
 * than 16M elements), leaving *v empty. */
TOLVAREN_API int32_t tv_variant_set_array(TVVariant* v, int32_t dims, int32_t low1, int32_t high1,
                                          int32_t low2, int32_t high2);
/* Element access of an array variant: the element [i] (one dimension) or
 * [i, j] (two dimensions); NULL when v is no array of that shape or the
 * index is out of bounds. Elements of an owned array are owned by it: set
 * them with tv_variant_set_* in place. */
TOLVAREN_API TVVariant* tv_variant_item(TVVariant* v, int32_t i);
TOLVAREN_API TVVariant* tv_variant_item2(TVVariant* v, int32_t i, int32_t j);
/* Releases what an owned variant holds (its texts, its elements, deeply)
 * and leaves it empty; a variant that does not own its memory is only set
 * empty. */
TOLVAREN_API void tv_variant_clear(TVVariant* v);

/* ---- Texts --------------------------------------------------------------
 * A TVText is an in/out text owned by the library: data is NULL (empty
 * text) or a buffer the library allocated, `length` bytes of Windows-1251
 * followed by a zero byte. Start with {NULL, 0}; the library replaces the
 * buffer when it sets the text and leaves it alone when it does not; the
 * host releases it with tv_text_free. */
typedef struct TVText {
  char* data;
  size_t length;
} TVText;

/* Replaces the text by a copy of `len` bytes (or up to the zero byte when
 * len is (size_t)-1). Returns 0, or -1 when memory is short (text kept). */
TOLVAREN_API int32_t tv_text_set(TVText* text, const char* bytes, size_t len);
/* Releases the buffer and leaves the text empty. A buffer the library did
 * not hand out (the host's own, or one released already) is not touched:
 * the text is only emptied. The same holds wherever the library replaces a
 * text the host passed in. */
TOLVAREN_API void tv_text_free(TVText* text);

/* Releases the UTF-16 text returned by GetReportVars; any other pointer is
 * left alone. */
TOLVAREN_API void tv_wide_free(uint16_t* text);

/* The message (Windows-1251, zero-terminated) of the last failure that an
 * entry point reported to the host on this thread; "" when none yet. Valid
 * until the next failure reported on this thread. */
TOLVAREN_API const char* tv_last_error(void);

/* ---- In-memory data sets ------------------------------------------------
 * THostFillDataProc receives one of the library's in-memory data sets,
 * already open with its fields defined (the library takes the structure of
 * the matching database table). The host appends rows:
 *
 *   tv_md_append(data);                        new row, now current
 *   tv_md_set(data, "SMNUM", &value);          a field of it, by name
 *   tv_md_post(data);                          store the row
 *
 * Field names ignore letter case. A value is converted to the field's type
 * as the database layer converts it (for example a text to a number); an
 * empty or null variant makes the field null. Appending again, or returning
 * from the procedure, stores a row that was not posted yet. */
typedef struct TVMemoryData TVMemoryData;

/* Field types, as tv_md_field_type returns them and tv_md_add_field takes
 * them. */
enum {
  TV_FT_STRING = 1,    /* text of at most `size` bytes (longer values are cut) */
  TV_FT_SMALLINT = 2,  /* 16-bit integer */
  TV_FT_INTEGER = 3,   /* 32-bit integer */
  TV_FT_BOOLEAN = 5,   /* Boolean */
  TV_FT_FLOAT = 6,     /* double */
  TV_FT_CURRENCY = 7,  /* money held as a double */
  TV_FT_BCD = 8,       /* fixed point with four decimals */
  TV_FT_DATE = 9,      /* date */
  TV_FT_TIME = 10,     /* time of day */
  TV_FT_DATETIME = 11, /* date and time */
  TV_FT_LARGEINT = 25, /* 64-bit integer */
  TV_FT_MEMO = 16,     /* text of any length */
  TV_FT_BLOB = 15      /* bytes of any length */
};

/* Number of fields; the name (Windows-1251) and type of field `index`
 * (0-based): NULL and 0 for an index out of range. */
TOLVAREN_API int32_t tv_md_field_count(const TVMemoryData* data);
TOLVAREN_API const char* tv_md_field_name(const TVMemoryData* data, int32_t index);
TOLVAREN_API int32_t tv_md_field_type(const TVMemoryData* data, int32_t index);
/* Adds a field (only while the data set holds no rows). size: the byte
 * length of a TV_FT_STRING field, else 0. Returns 0, or -1 (tv_last_error
 * tells why). */
TOLVAREN_API int32_t tv_md_add_field(TVMemoryData* data, const char* name, int32_t type,
                                     int32_t size);
/* Appends an empty row and makes it current. Returns 0 or -1. */
TOLVAREN_API int32_t tv_md_append(TVMemoryData* data);
/* Sets a field of the current appended row. Returns 0, or -1 for an
 * unknown field, a value that does not convert, or no appended row. */
TOLVAREN_API int32_t tv_md_set(TVMemoryData* data, const char* fieldName, const TVVariant* value);
/* Stores the current appended row. Returns 0 or -1. */
TOLVAREN_API int32_t tv_md_post(TVMemoryData* data);
/* Number of stored rows. */
TOLVAREN_API int32_t tv_md_record_count(const TVMemoryData* data);

/* ---- Host procedures -----------------------------------------------------
 * Results of the three procedures: */
#define TV_HOST_OK 0     /* answered */
#define TV_HOST_FAILED 1 /* could not answer; the question fails */

/* The host's query procedure: answers question `code` (with `param`, 0
 * unless the code says otherwise) by writing *result, which the library
 * passes empty and releases afterwards. On failure it returns
 * TV_HOST_FAILED; it may leave a message text in *result
 * (tv_variant_set_string), which becomes the failure's message.
 *
 * Codes the library asks (answer type):
 *    0 number of the open shift (integer)
 *    1 begin of the open shift (date)
 *    2 operator of the open shift (text)
 *    3, 4 second and third operator of the open shift (text)
 *    5 the host's data folder, ending with a path delimiter (text)
 *    8 whether the alternative ("a_") templates apply (Boolean)
 *    9 default decimals of litre and kilogram values (integer)
 *   13 name of the station (text)
 *   18 registration number of cash register `param` (text)
 *   23 names of the payment types (one-dimensional array of texts)
 *   27 kind of each payment type (array of integers)
 *   43, 44 model and factory number of cash register `param` (text)
 *   45 whether goods sales go through the cash registers (Boolean)
 *   46 host mode: 0 station, 3 office (integer)
 *   56 template variant; 0 means the alternative templates (integer)
 *   57 the host's payment-type list: a two-dimensional array [0..N-1,
 *      0..1] of payment code and attribute per payment-type index, or a
 *      text when the host keeps no such list
 *   69 database name for the remote data module (text)
 *   80 whether the "NB" form folders apply (Boolean)
 *   87 currency word, param 3 (text)
 *   88 decimals of money amounts (integer) */
typedef int32_t (*THostCallback)(TVVariant* result, int32_t code, int32_t param);

/* The host's fill procedure: appends the open shift's rows of kind `kind`
 * to `data` (1 shift log, 2 dispenser rows, 3 tank rows, 5 bonus and
 * discount rows, 6 rows per tank and payment type). `data` is valid only
 * during the call. Returns TV_HOST_OK (a row left unposted is stored) or
 * TV_HOST_FAILED (a row left unposted is dropped; the rows posted stay). */
typedef int32_t (*THostFillDataProc)(int32_t kind, TVMemoryData* data);

/* The host's report procedure: returns a finished piece of report text in
 * *text (tv_text_set; it comes in empty) for code 29 or 30 (the host's
 * shift sections; params = [shift from, shift to, 0, template path]), 89
 * (the goods section; params = [shift from, shift to, begin, end, template
 * path]) or 255 (the goods appendix; params = an empty array). params is
 * valid only during the call. Returns TV_HOST_OK or TV_HOST_FAILED; on
 * failure the text it leaves becomes the failure's message. */
typedef int32_t (*THostReportCallback)(TVText* text, int32_t code, const TVVariant* params);

/* ---- Entry points --------------------------------------------------------
 * InitReports: stores the three procedures (a NULL one keeps the one given
 * before), asks the host its mode, currency word and money decimals, reads
 * the payment types, makes sure the form folders "C:\FUEL\FORMS\REPORT\"
 * and "C:\FUEL\FORMS\WEBREP\" exist and checks the installed report forms.
 * Returns 1; 0 when it fails, with the message in tv_last_error (a form
 * folder that cannot be created gives "Ошибка создания каталога <folder>";
 * a host that cannot answer never fails it). May be called again. */
TOLVAREN_API int32_t InitReports(THostFillDataProc fillData, THostCallback query,
                                 THostReportCallback reportFunc);

/* Results of GetReportsInStringEx. */
#define TV_REPORT_FALSE 0
#define TV_REPORT_TRUE 1
#define TV_REPORT_RAISED (-1)

/* GetReportsInStringEx: one report request. `code` is the report code
 * character (low byte used); `params` its parameter array (a
 * one-dimensional array with low bound 0; NULL counts as empty); `text` the
 * in/out text. Results:
 *   TV_REPORT_TRUE   the report's text is in *text (also when a report
 *                    builder failed: *text then holds the error text
 *                    "Ошибка при формировании отчета "<name>": <message>");
 *   TV_REPORT_FALSE  no report: a failure before the builder (*text =
 *                    "Ошибка при формировании отчета: " + message), a code
 *                    without a report (*text unchanged), or '#' [1000, v]
 *                    (sets the template variant for good; *text empty);
 *   TV_REPORT_RAISED the special requests '#' [1000, v] and '#' [17,
 *                    command, arguments] failed (a missing or unusable
 *                    element, the first element of any '#' request
 *                    included, or a failing custom function), or params
 *                    or text could not be taken (a malformed variant, a
 *                    NULL text): *text unchanged, message in tv_last_error.
 * Code '7' returns TV_REPORT_TRUE with the HTML version of the last report
 * (empty before the first report).
 *
 * '#' [2, sql, source] (source 0 station, 1 office database) answers with
 * the rows of `sql` as hex text: every byte of the packet as two upper-case
 * hex digits. Decoded, the bytes are the client data set's XML data packet
 * in Windows-1251 (<DATAPACKET Version="2.0"> with METADATA/FIELDS and
 * ROWDATA/ROW; a NULL is an absent attribute), the layout written down in
 * docs/exchange-file.md. '#' [2] and '#' [3] run the SQL read-only: a
 * statement that would write changes nothing and answers with the error
 * text. '#' [17, 1, any] answers "raw:" + the words of the integer 1;
 * '#' [17, 2, [1 or 2, any]] a new ID of SCANDOCUMENTS or SCANDOCTYPES. */
TOLVAREN_API int32_t GetReportsInStringEx(int32_t code, const TVVariant* params, TVText* text);

/* GetReportVars: the catalogue of the variables of the HTML templates as
 * UTF-16 INI text, zero-terminated, allocated by the library (release it
 * with tv_wide_free). NULL on failure, message in tv_last_error. */
TOLVAREN_API uint16_t* GetReportVars(void);

/* UpdateVidOpl: reads the payment types from the host anew. Never fails. */
TOLVAREN_API void UpdateVidOpl(void);

/* DCOMServerOnCreate: for a host that serves data remotely: `owner` is the
 * host's remote data module, a TVProviderOwner made by tv_owner_create
 * (below). For a station or office host (question 46 answers 0 or 3) it
 * creates the library's data module on the owner, which registers its ten
 * providers. Failures are logged ("Ошибка DCOMServerOnCreate: ..." at level
 * 2), never returned. */
TOLVAREN_API void DCOMServerOnCreate(void* owner);

/* ---- Remote data providers ------------------------------------------------
 * The data module's ten providers let remote clients read waybills, waybill
 * details, fuel sales, dispenser history, scanned documents and their own
 * queries, and write waybills, waybill details and scanned documents. The
 * host stands between them and its clients:
 *
 *   owner = tv_owner_create(onRegister, onUnregister, context);
 *   DCOMServerOnCreate(owner);   onRegister gets the ten providers, in this
 *                                order: DSPRepTTN, DSPTRKHistory,
 *                                DSPRepLogTran, DSPRepTTNID, DSPRepCustomSQL,
 *                                DSPRepAllLogTran, DSPRepDBConnect,
 *                                DSPRepTTNDet, DSPRepScanDoc,
 *                                DSPRepScanDocTypes
 *   tv_provider_get_records(provider, sql or NULL, &packet);
 *   tv_provider_apply_delta(provider, delta, len, &outcome);
 *   tv_owner_free(owner);        onUnregister gets them in the same order;
 *                                open transactions are rolled back and the
 *                                connection is closed
 *
 * The module's database is the host's answer to question 69. Owners and
 * providers are handles, not memory: a provider of a freed owner, an owner
 * freed twice or any made-up value gives 0 and a message in
 * tv_last_error, never a crash. Calls may come from several threads at
 * once; the calls on one owner's providers run one at a time, those of
 * different owners in parallel. docs/remote-providers.md describes the
 * packets and the delta with examples. */
typedef struct TVProviderOwner TVProviderOwner;
typedef struct TVProvider TVProvider;

/* Receives a provider handle and its name (Windows-1251, valid during the
 * call). Called on the thread of DCOMServerOnCreate or tv_owner_free. */
typedef void (*TVProviderProc)(void* context, TVProvider* provider, const char* name);

/* A new owner; either procedure may be NULL. NULL only when memory is short. */
TOLVAREN_API TVProviderOwner* tv_owner_create(TVProviderProc registerProvider,
                                              TVProviderProc unregisterProvider, void* context);
/* Frees the owner and its data module (waiting for a call in progress).
 * Returns 1, or 0 for an unknown or already freed owner. */
TOLVAREN_API int32_t tv_owner_free(TVProviderOwner* owner);

/* The provider's records as an XML data packet (Windows-1251, the layout
 * of docs/exchange-file.md) in *packet. `commandText` (Windows-1251,
 * zero-terminated; NULL or "" for the provider's own statement) replaces the
 * statement of the providers that take command text. Every read runs in a
 * read-only transaction: a statement that writes changes nothing and fails.
 * Returns 1, or 0 with the error in tv_last_error. */
TOLVAREN_API int32_t tv_provider_get_records(TVProvider* provider, const char* commandText,
                                             TVText* packet);
/* Applies a delta (`len` bytes of XML, or up to the zero byte when len is
 * (size_t)-1): its records in order, each committed on its own. *outcome
 * receives the outcome of every record (applied, or its error text).
 * Returns 1 when the records were tried (some may have failed; see the
 * outcome), 0 when none was (unknown provider, malformed delta), with the
 * error in tv_last_error. */
TOLVAREN_API int32_t tv_provider_apply_delta(TVProvider* provider, const char* delta, size_t len,
                                             TVText* outcome);

/* ---- Office waybill exchange ---------------------------------------------
 * Paths are zero-terminated UTF-16 texts in the Windows form the library
 * keeps ("C:\FUEL\..."; a path starting with "/" is native), each of
 * characters of Windows-1251 only. Each returns 1, or 0 on failure with the
 * message in tv_last_error ("procedure <name> -> ... <# <class> #>"); each
 * needs InitReports first (the host mode decides the waybill id range).
 *
 * AddRepDataToQueryFile: writes the office waybills of the database
 * <dbFolder>Velmar.FDB into the exchange file `exchangeFile` (a ZIP archive
 * with one entry "ttn.ttnxml"); without office waybills the old file is
 * deleted and none written.
 * ProcessQueryFile: loads an exchange file into the station database
 * "C:\FUEL\DB\velmar.fdb" (always that one): each office waybill without
 * a local copy is inserted once with a local id. A missing file does
 * nothing; a damaged one changes nothing.
 * ProcessTTNTable: in <dbFolder>Velmar.FDB flags as deleted every office
 * waybill that has a local copy. */
TOLVAREN_API int32_t AddRepDataToQueryFile(const uint16_t* dbFolder, const uint16_t* exchangeFile);
TOLVAREN_API int32_t ProcessQueryFile(const uint16_t* exchangeFile);
TOLVAREN_API int32_t ProcessTTNTable(const uint16_t* dbFolder);

#ifdef __cplusplus
}
#endif

#endif /* TOLVAREN_TOLVAREN_H */
