/* The forms library "ReportForms": puts the built-in report forms and
 * templates in place in their folders and reports installed files that
 * differ from the built-in text. The report library loads it by name at
 * start-up (libReportForms.so beside libtolvaren.so), looks up "Check" and
 * "CheckEx" and calls them once each.
 *
 * Every text is zero-terminated Windows-1251; folders are Windows paths
 * ("C:\FUEL\FORMS\REPORT\") or native ones. No entry raises anything or
 * keeps any argument after it returns. */
#ifndef TOLVAREN_REPORTFORMS_H
#define TOLVAREN_REPORTFORMS_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One built-in form or template: the file base name (no folder, no
 * extension) and its lines, without line ends. */
typedef struct TReportFormsPattern {
  const char* Name;
  const char* const* Lines;
  size_t LineCount;
} TReportFormsPattern;

/* The pattern list in registry order. */
typedef struct TReportFormsList {
  const TReportFormsPattern* Items;
  size_t Count;
} TReportFormsList;

/* Receives one log line of the forms library with its level (0 a plain
 * record, 2 an error, 4 a warning). */
typedef void (*TReportFormsLogProc)(void* context, const char* text, int level);

/* What the caller offers the library: where its log lines go. Log may be
 * NULL, and so may the whole object: then nothing is logged. */
typedef struct TReportFormsApplication {
  void* Context;
  TReportFormsLogProc Log;
} TReportFormsApplication;

/* Text forms: for each pattern, writes folder + Name + ".frm" from the
 * built-in lines (Windows-1251, CR LF) when no file of that name exists
 * (letter case aside), leaves an existing file alone and logs it when its
 * lines differ. unitName names the registry the list comes from. */
typedef void (*TReportFormsCheckProc)(const TReportFormsApplication* application,
                                      const TReportFormsList* patterns, const char* folder,
                                      const char* unitName);

/* HTML templates: the same with folder + Name + extension. */
typedef void (*TReportFormsCheckExProc)(const TReportFormsApplication* application,
                                        const TReportFormsList* patterns, const char* folder,
                                        const char* sourceName, const char* extension);

#ifdef __cplusplus
}
#endif

#endif /* TOLVAREN_REPORTFORMS_H */
