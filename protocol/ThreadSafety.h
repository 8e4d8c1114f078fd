// Clang's thread-safety annotations: a clang build with -Wthread-safety refuses
// to compile code that touches data guarded by a mutex without holding it.
// Other compilers see nothing.
#pragma once

#if defined(__clang__)
#define QUENDA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QUENDA_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(name) QUENDA_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY QUENDA_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(mutex) QUENDA_THREAD_ANNOTATION(guarded_by(mutex))
#define ACQUIRE(...) QUENDA_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) QUENDA_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define REQUIRES(...) QUENDA_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
