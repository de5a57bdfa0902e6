/* Control API of the stand-in exchange library: load models, step the run, inject
 * failures into raw slots and read what the library recorded. Used by the Python package
 * varnex2_standin (through ctypes) and by native tests. Not part of the real library.
 *
 * Any thread may call these functions; they are serialised among themselves. Texts they
 * return and last_error belong to the calling thread. Raw calls of library objects are not
 * locked: a caller that makes them from several threads orders them with the controls
 * itself (the Python package holds the interpreter lock, as the extension module does). */
#ifndef VARNEX2_STANDIN_H
#define VARNEX2_STANDIN_H

#include <stddef.h>

#if defined(__GNUC__) || defined(__clang__)
#define VARNEX2_STANDIN_API __attribute__((visibility("default")))
#else
#define VARNEX2_STANDIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Version of this control API; raised when a function changes. */
VARNEX2_STANDIN_API int varnex2_standin_api_version(void);

/* Text of the last failing control call of this thread (empty when there was none). */
VARNEX2_STANDIN_API const char* varnex2_standin_last_error(void);

/* Back to the built-in model with a fresh run, no armed failures, no recorded calls or
 * messages, recording off, manager available. Returns 0. */
VARNEX2_STANDIN_API int varnex2_standin_reset(void);

/* Replace the model and the run state by a model file's content or a file. 0 on success;
 * -1 when the model is not usable (the current one is kept; see last_error). */
VARNEX2_STANDIN_API int varnex2_standin_load_model_text(const char* text, size_t length);
VARNEX2_STANDIN_API int varnex2_standin_load_model_file(const char* path);

/* The built-in model's text (model-file JSON), for loading it again without a reset. */
VARNEX2_STANDIN_API const char* varnex2_standin_default_model_text(size_t* length);

/* Every problem that loading a model file's content or a file would meet, in the order met,
 * as "place: what" texts, without loading it: the first is the message loading gives (for a
 * file without the path in front). Returns how many (0: it loads; at most 1000 are listed,
 * the last then says so), or -1 for a null path; problem reads this thread's copy of them. */
VARNEX2_STANDIN_API int varnex2_standin_check_model_text(const char* text, size_t length);
VARNEX2_STANDIN_API int varnex2_standin_check_model_file(const char* path);
VARNEX2_STANDIN_API int varnex2_standin_problem(size_t index, const char** text, size_t* length);

/* The current model and run as model-file JSON; valid until this thread's next call. */
VARNEX2_STANDIN_API const char* varnex2_standin_dump_model(size_t* length);
/* The run at the current moment as a JSON object; valid until this thread's next call. */
VARNEX2_STANDIN_API const char* varnex2_standin_run_state(size_t* length);

/* When 0, the library entry point returns null. */
VARNEX2_STANDIN_API void varnex2_standin_set_manager_available(int available);
VARNEX2_STANDIN_API int varnex2_standin_manager_available(void);

/* Native addresses of library objects (what a client's interface pointer holds). */
VARNEX2_STANDIN_API void* varnex2_standin_manager(void);
VARNEX2_STANDIN_API void* varnex2_standin_collection(void);
/* Entity or attribute by full path ("Root/Child/Attribute"); null when there is none. */
VARNEX2_STANDIN_API void* varnex2_standin_find(const char* full_path, size_t length);

/* Arm a failure: the next `count` calls of raw slot `slot` on `object` return `status` and
 * leave `message` as the object's last error. message_fails: the message query (slot 1)
 * that follows fails as well. write_out: the out-value is written before failing.
 * Returns 0, or -1 for a count below 1, a negative slot or an address that is not the
 * manager, the collection or an object handed out by the current model. */
VARNEX2_STANDIN_API int varnex2_standin_fail_next(const void* object, int slot, int status, const char* message,
                                                  size_t length, int count, int message_fails, int write_out);
VARNEX2_STANDIN_API void varnex2_standin_clear_failures(void);

/* Call recording. Argument kinds: 0 integer (i), 1 flag (i), 2 real (d), 3 text (text,
 * length), 4 identifier pair (i, j), 5 unsigned size (i holds its 64 bits). call_count
 * takes this thread's copy of the record; call and call_arg read that copy. */
VARNEX2_STANDIN_API void varnex2_standin_record_calls(int on);
VARNEX2_STANDIN_API size_t varnex2_standin_call_count(void);
VARNEX2_STANDIN_API int varnex2_standin_call(size_t index, const void** object, int* slot, size_t* argc);
VARNEX2_STANDIN_API int varnex2_standin_call_arg(size_t index, size_t arg, int* kind, long long* i, long long* j,
                                                 double* d, const char** text, size_t* length);
/* The whole record in one buffer, valid until this thread's next call of it; *length gets its
 * size. Native byte order, no padding. Header: u64 call count, u64 text count, u64 group
 * count; then u64 length of each text argument in call order, then their bytes, each followed
 * by a NUL byte. Then per
 * group (the calls whose arguments have one sequence of kinds): u64 kind count, u64 record
 * count, one byte per kind, u64 position of each record's call in the record, then the records:
 * u64 object, i32 slot, then per argument i64 (integer, unsigned size: its bits), u8 (flag),
 * f64 (real), u64 index of the text, or two i64 (identifier pair). */
VARNEX2_STANDIN_API const char* varnex2_standin_calls_packed(size_t* length);
VARNEX2_STANDIN_API void varnex2_standin_clear_calls(void);

/* Advance the run by up to `iterations` iterations (writes made at Next apply first).
 * Returns the number performed, or -1 for a negative count. */
VARNEX2_STANDIN_API int varnex2_standin_step(int iterations);

/* Replaces the residual of the current iteration (the replay of a recorded run); convergence
 * follows it. Returns 0, or -1 for a negative or NaN residual. */
VARNEX2_STANDIN_API int varnex2_standin_set_residual(double residual);

/* While `on` is non-zero, value writes ignore the attributes' access (what the solver computes
 * is written where scripts may only read). Returns the previous setting. */
VARNEX2_STANDIN_API int varnex2_standin_solver_writes(int on);

/* Texts received by showMessage (kind 0) and showInformational (kind 1). message_count
 * takes this thread's copy of them; message reads that copy. */
VARNEX2_STANDIN_API size_t varnex2_standin_message_count(void);
VARNEX2_STANDIN_API int varnex2_standin_message(size_t index, int* kind, const char** text, size_t* length);
VARNEX2_STANDIN_API void varnex2_standin_clear_messages(void);

#ifdef __cplusplus
}
#endif

#endif
