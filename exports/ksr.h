/*
 * ksr.h: the exported interface of the KSR line-array model module.
 *
 * A host loads ksr.dll (libksr.so on Linux), resolves the exports below by
 * ordinal or by their undecorated names, and calls them from one thread at a
 * time. Every function uses the callee-cleans 32-bit Windows convention
 * (KSR_CALL); only plain types cross the boundary.
 *
 * Conventions
 *   - Results: 0 for success, -1 for an index, id, component number or state
 *     that is not valid (-1.0f where the result is a float). Boolean answers
 *     are -1 (true) and 0 (false).
 *   - Parameter indices and component numbers count from 1. Bands count from 1
 *     to 21: the third-octave bands of nominal 100 Hz to 10 kHz, in that order.
 *   - Units: metres, degrees, dB, seconds, Hz, degrees Celsius, hPa, percent.
 *   - Values the host hands in for clamping (RP_SetValue, IP_SetFilter) are
 *     clamped in place: the caller's variable receives the value stored.
 *   - A null pointer where the export would read or write answers -1 and
 *     touches nothing.
 *   - [current instance]: the export works on the instance selected with
 *     CI_MakeCurrent. With none current it answers -1 (or -1.0f) and writes
 *     nothing.
 *
 * Ordinals are fixed; ksr.def is the single place that binds them to names.
 */
#ifndef KSR_H
#define KSR_H

#include <stdint.h>

#if defined(_WIN32)
#define KSR_CALL __stdcall
#else
#define KSR_CALL
#endif

#if defined(KSR_BUILDING_MODULE) && !defined(_WIN32)
#define KSR_VISIBLE __attribute__((visibility("default")))
#else
#define KSR_VISIBLE
#endif

#ifdef __cplusplus
#define KSR_API extern "C" KSR_VISIBLE
#else
#define KSR_API extern KSR_VISIBLE
#endif

/* Buffer sizes and counts of the interface. */
#define KSR_BAND_COUNT 21             /* entries of every per-band array */
#define KSR_MAX_COMPONENTS 16         /* boxes of the largest array */
#define KSR_MIN_COMPONENTS 4          /* boxes of the smallest array */
#define KSR_MAX_INSTANCES 127         /* ids 1 to 127 */
#define KSR_LABEL_BUFFER_SIZE 16      /* longest label: "Air Temperature" + NUL */
#define KSR_FILES_BUFFER_SIZE 1024    /* DLLGetFiles output buffer */
#define KSR_SETUP_V51 51              /* setup record without groundStacked */
#define KSR_SETUP_V52 52              /* current setup record version */
#define KSR_SETUP_V51_SIZE 208
#define KSR_SETUP_V52_SIZE 212
#define KSR_VERTICES_PER_BOX 4
#define KSR_EDGES_PER_BOX 8
#define KSR_TEMPLATE_SIZE 5076        /* bytes of VELT_TEMPLATE */

/* The design as the host stores it (IP_SetValue, IP_GetValue). Little-endian,
 * all fields 32 bits. Version 51 records end before groundStacked (208 bytes);
 * version 52 records hold it (212 bytes). All 16 box triples are always there,
 * whatever boxCount says. */
typedef struct SetupRecordBox {
    int32_t boxType;      /* box-type id 0..9 */
    float boxElevation;   /* absolute elevation angle, degrees */
    float boxGain;        /* dB, subtracted from the box's level */
} SetupRecordBox;

typedef struct SetupRecord {
    int32_t version;      /* 51 or 52; 0 asks IP_GetValue for the version */
    int32_t boxCount;     /* 4..16 */
    float gridElevation;  /* degrees */
    int32_t hostValue;    /* kept for the host; a new instance holds 1 */
    SetupRecordBox boxes[KSR_MAX_COMPONENTS];
    int32_t groundStacked; /* version 52 only: 1 ground stacked, 0 flown */
} SetupRecord;

/* One outline vertex (CS_GetVertexArray). Word 4 is never written. */
typedef struct CaseVertex {
    int32_t one;          /* always 1 */
    float x, y, z;        /* metres, array-local frame */
    int32_t hostWord;     /* left as the host set it */
} CaseVertex;

/* One outline edge (CS_GetEdgeArray). Word 3 is never written. */
typedef struct CaseEdge {
    int32_t kind;         /* 0: vertex n to its mirror -n; 1: panel edge */
    int32_t first;        /* 1-based vertex index */
    int32_t second;       /* 1-based; negative in kind-0 edges */
    int32_t hostWord;     /* left as the host set it */
} CaseEdge;

/* ---- Module frame and information (ordinals 100 to 145) ---------------- */

/* 100: the module version, 1000030. */
KSR_API int32_t KSR_CALL DLLVersion(void);
/* 101: the module class, 2. */
KSR_API int32_t KSR_CALL DLLClass(void);
/* 102: writes 0 (not locked) to *out; returns 0. */
KSR_API int32_t KSR_CALL DLLLock(int32_t* out);

/* 103, 104: data exports. VELT_TEMPLATE is the built-in exchange-file
 * template, KSR_TEMPLATE_SIZE bytes, not NUL-terminated; VELT_TEMPLATE_SIZE
 * holds that length and is stored right after the text. */
KSR_API const char VELT_TEMPLATE[KSR_TEMPLATE_SIZE];
KSR_API const int32_t VELT_TEMPLATE_SIZE;

/* 110: capability 1 or 2: -1; 3 or 5: 1; any other: 0. */
KSR_API int32_t KSR_CALL DLLGetCaps(int32_t capability);
/* 111: the same operation as CI_GetComponents. [current instance] */
KSR_API int32_t KSR_CALL DLLGetComponents(void);
/* 120: stores a pointer to the static text "KSR Array" in *out; returns 0. */
KSR_API int32_t KSR_CALL DLLGetName(const char** out);
/* 121: stores a pointer to "QTO" in *out; returns 0. */
KSR_API int32_t KSR_CALL DLLGetManufacturer(const char** out);
/* 130: writes -1 (symmetric) to *out; returns 0. */
KSR_API int32_t KSR_CALL DLLGetSymmetry(int32_t* out);
/* 132: writes -1 (valid) to all KSR_BAND_COUNT entries; returns 0. */
KSR_API int32_t KSR_CALL DLLGetValidBands(int32_t* out);
/* 133 to 136: not offered; the pointer is not touched; return -1. */
KSR_API int32_t KSR_CALL DLLGetDirectivity(void* unused);
KSR_API int32_t KSR_CALL DLLGetSensitivity(void* unused);
KSR_API int32_t KSR_CALL DLLGetMaxPower(void* unused);
KSR_API int32_t KSR_CALL DLLGetImpedance(void* unused);
/* 140: writes 0 to *out, then -1 for flag 1 while it is set and -1 for
 * flag 2 always; returns 0. Flag 1 set: responses leave out air absorption. */
KSR_API int32_t KSR_CALL DLLGetFlag(int32_t flag, int32_t* out);
/* 141: flag 1 is set when *value is non-zero and cleared otherwise. Other
 * flags: nothing happens and *value is not read. Returns 0. */
KSR_API int32_t KSR_CALL DLLSetFlag(int32_t flag, const int32_t* value);
/* 142: stores a pointer to "5\xB0 Complex Data" (Windows-1252) in *out. */
KSR_API int32_t KSR_CALL DLLGetDataResolution(const char** out);
/* 143: writes the full path of the help document "ksr_help.pdf" beside the
 * module into out (KSR_FILES_BUFFER_SIZE bytes); the empty string when the
 * path would not fit. Returns 0. */
KSR_API int32_t KSR_CALL DLLGetFiles(char* out);
/* 144: copies the file at path into the directory stored by DLLInitLibrary,
 * overwriting; does nothing for a missing file, a directory or before
 * DLLInitLibrary. Returns 0. */
KSR_API int32_t KSR_CALL DLLInstallFiles(const char* path);
/* 145: stores path without its last component as the install directory.
 * Returns non-zero when a component was removed, 0 otherwise (0 and nothing
 * stored for a null or empty path). */
KSR_API int32_t KSR_CALL DLLInitLibrary(const char* path);

/* ---- Environment parameters (201 to 208) --------------------------------
 * Index 1 "Speed Of Sound" (m/s, 100..1000, default 343), 2 "Humidity"
 * (%, 20..100, 60), 3 "Air Temperature" (degrees C, -100..100, 20),
 * 4 "Air Pressure" (hPa, 100..2000, 1013). Process-wide, not per instance.
 * Any other index: -1, nothing written. */

/* 201: returns 4. */
KSR_API int32_t KSR_CALL RP_GetNumber(void);
/* 202: the parameter id, equal to the index. */
KSR_API int32_t KSR_CALL RP_GetID(int32_t index);
/* 203: the host type code, 8. */
KSR_API int32_t KSR_CALL RP_GetType(int32_t index);
/* 204: copies the label with its NUL into out (KSR_LABEL_BUFFER_SIZE). */
KSR_API int32_t KSR_CALL RP_GetLabel(int32_t index, char* out);
/* 205 to 207: write the default, minimum or maximum into *out. */
KSR_API int32_t KSR_CALL RP_GetDefault(int32_t index, float* out);
KSR_API int32_t KSR_CALL RP_GetMinimum(int32_t index, float* out);
KSR_API int32_t KSR_CALL RP_GetMaximum(int32_t index, float* out);
/* 208: clamps *value into the range in place (NaN becomes the maximum) and
 * stores it. */
KSR_API int32_t KSR_CALL RP_SetValue(int32_t index, float* value);

/* ---- Setup parameter and filter (301 to 318) ----------------------------
 * One parameter, index 1, "KSR Setup": the SetupRecord above. Any other
 * index: -1, nothing written. */

/* 301: returns 1. */
KSR_API int32_t KSR_CALL IP_GetNumber(void);
/* 302: returns 4, the parameter id. */
KSR_API int32_t KSR_CALL IP_GetID(int32_t index);
/* 303: returns 21, the host type code of the setup record. */
KSR_API int32_t KSR_CALL IP_GetType(int32_t index);
/* 304: copies "KSR Setup" with its NUL into out (10 bytes). */
KSR_API int32_t KSR_CALL IP_GetLabel(int32_t index, char* out);
/* 305 to 307: the record has no scalar default or range: return 0 and write
 * nothing. */
KSR_API int32_t KSR_CALL IP_GetDefault(int32_t index, void* unused);
KSR_API int32_t KSR_CALL IP_GetMinimum(int32_t index, void* unused);
KSR_API int32_t KSR_CALL IP_GetMaximum(int32_t index, void* unused);
/* 308: applies a version 51 or 52 record to the current instance; any other
 * version resets it to the default design (four boxes of type 5). The record
 * is not changed. Component placement follows the next
 * CI_SetLspkPosition3fv or CI_SetLspkAngles3fv. [current instance] */
KSR_API int32_t KSR_CALL IP_SetValue(int32_t index, const SetupRecord* record);
/* 309: version 0 asks for the current version: 52 is written into version and
 * nothing else. Otherwise the record is filled from the current instance's
 * design, version left as set: 208 bytes for version 51, all 212 bytes for
 * any other version. [current instance] */
KSR_API int32_t KSR_CALL IP_GetValue(int32_t index, SetupRecord* record);
/* 310: index 1 runs the modal design dialog on the current instance and
 * returns 0 after OK or Cancel (the design is applied either way).
 * [current instance] */
KSR_API int32_t KSR_CALL IP_ShowDialog(int32_t index);
/* 315 to 317: write the filter default (0 dB, 0 degrees), minimum (-60 dB,
 * -180 degrees) or maximum (0 dB, 180 degrees) into all 21 entries of both
 * arrays. */
KSR_API int32_t KSR_CALL IP_GetFilterDef(float* gain, float* phase);
KSR_API int32_t KSR_CALL IP_GetFilterMin(float* gain, float* phase);
KSR_API int32_t KSR_CALL IP_GetFilterMax(float* gain, float* phase);
/* 318: clamps both 21-entry arrays in place (NaN becomes the maximum) and
 * stores them as the current instance's filter. [current instance] */
KSR_API int32_t KSR_CALL IP_SetFilter(float* gain, float* phase);

/* ---- Instances, placement and response (401 to 417) -------------------- */

/* 401: a new instance id 1..127 holding the default design, or -1 when all
 * 127 are in use. The new instance is not made current. */
KSR_API int32_t KSR_CALL CI_GetFreeID(void);
/* 402: selects an instance; -1 for an id outside 1..127 or a free slot. */
KSR_API int32_t KSR_CALL CI_MakeCurrent(int32_t id);
/* 403: releases the current instance; none is current afterwards. */
KSR_API int32_t KSR_CALL CI_Release(void);
/* 404, 405: the array's reference point (metres) and orientation (degrees);
 * each recomputes every component's position and angles. [current instance] */
KSR_API int32_t KSR_CALL CI_SetLspkPosition3fv(const float* position);
KSR_API int32_t KSR_CALL CI_SetLspkAngles3fv(const float* angles);
/* 406, 407: the listener's position (metres) and orientation (stored only).
 * [current instance] */
KSR_API int32_t KSR_CALL CI_SetSeatPosition3fv(const float* position);
KSR_API int32_t KSR_CALL CI_SetSeatAngles3fv(const float* angles);
/* 408: distance from the array's reference point to the seat, metres.
 * [current instance] */
KSR_API float KSR_CALL CI_GetDistance(void);
/* 409, 410: accepted and ignored; return 0. */
KSR_API int32_t KSR_CALL CI_GetPulse(int32_t a, int32_t b, int32_t c);
KSR_API int32_t KSR_CALL CI_GetPulses(int32_t a, int32_t b);
/* 411: on-axis level at 1 m of component 1..16 in band 1..21, with the box
 * gain and the filter gain, dB. [current instance] */
KSR_API int32_t KSR_CALL CI_GetCompSPL1m(int32_t component, int32_t band, float* level);
/* 412: the directivity index of the component's box type in band 1..21, dB.
 * [current instance] */
KSR_API int32_t KSR_CALL CI_GetCompDirectivity(int32_t component, int32_t band, float* value);
/* 413, 414: the component's position (metres) and angles (degrees) in host
 * coordinates. [current instance] */
KSR_API int32_t KSR_CALL CI_GetCompPosition3fv(int32_t component, float* out);
KSR_API int32_t KSR_CALL CI_GetCompAngles3fv(int32_t component, float* out);
/* 415: distance from the component to the seat, metres; -1.0f for a
 * component outside 1..CI_GetComponents. [current instance] */
KSR_API float KSR_CALL CI_GetCompDistance(int32_t component);
/* 416: the component's response at the seat: 21 levels (dB), 21 phases
 * (radians, [-pi, pi)) and the propagation delay (seconds). [current instance] */
KSR_API int32_t KSR_CALL CI_GetCompFR(int32_t component, float* level, float* phase, float* delay);
/* 417: the current instance's component count, brought into 4..16 (and
 * stored so). [current instance] */
KSR_API int32_t KSR_CALL CI_GetComponents(void);

/* ---- Cabinet outline (500 to 504), array-local frame, metres ------------ */

/* 500: writes -1 and 0 (mirror symmetric about x = 0). */
KSR_API int32_t KSR_CALL CS_GetSymmetry(int32_t* symmetric, int32_t* other);
/* 501: writes KSR_VERTICES_PER_BOX x component count. [current instance] */
KSR_API int32_t KSR_CALL CS_GetVertexNumber(int32_t* count);
/* 502: fills that many vertices. [current instance] */
KSR_API int32_t KSR_CALL CS_GetVertexArray(CaseVertex* vertices);
/* 503: writes KSR_EDGES_PER_BOX x component count. [current instance] */
KSR_API int32_t KSR_CALL CS_GetEdgeNumber(int32_t* count);
/* 504: fills that many edges. [current instance] */
KSR_API int32_t KSR_CALL CS_GetEdgeArray(CaseEdge* edges);

#endif /* KSR_H */
