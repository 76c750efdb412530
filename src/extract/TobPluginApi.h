/* The C interface of comment-extraction plug-ins: shared objects named tob*.so in the
 * program's plug-in folder. Every string a plug-in returns is owned by the plug-in and
 * stays valid until its next call; the program copies it at once. Strings are UTF-8
 * (text in JIS, EUC-JP or Shift_JIS is accepted and converted). A plug-in keeps one
 * open file at a time; the program never calls it from two threads at once. */
#ifndef QUILLORA_TOB_PLUGIN_API_H
#define QUILLORA_TOB_PLUGIN_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* Required: the extractor's name (also the settings key and the name property sets
 * carry) and its support bits (0x001 title, 0x002 properties, 0x100 full text, 0x200
 * body by size, 0x400 body by lines). */
const char* TOBgetName(void);
int TOBgetSupportType(void);
/* Required: nonzero when files with this suffix (upper case, no dot) are handled. */
int TOBcheckSuffix(const char* suffix);
/* Required: opens the file at this full path; nonzero when it could be read. */
int TOBopen(const char* path);
/* Required: closes the open file. */
void TOBclose(void);
/* Present in every accepted plug-in. */
const char* TOBgetDefaultSuffix(void); /* suffixes separated by ";" */
const char* TOBgetLine(void);          /* the next line of text, or null at the end */
int TOBgetPropertyCount(void);
int TOBgetPropertyKey(int index);
const char* TOBgetPropertyTitle(int index);
const char* TOBgetPropertyValue(int index); /* for the open file, or null */

/* Optional: the plug-in's product version, shown in the settings dialog as
 * "%d.%d.%d.%d" (the place of a Windows library's version resource). */
extern const unsigned short TOBproductVersion[4];

#ifdef __cplusplus
}
#endif

#endif
