#pragma once
// CALIDARIX_VECTOR_CLONES before a function with a plain loop that the compiler vectorises: on x86-64
// the compiler then also builds the function for AVX2 and for AVX-512, and the program picks the
// version the processor has when it starts (an indirect function). Loops that the baseline vector
// instructions run too slowly for the paint path use it; the versions compute the same values.
//
// Sanitizer builds get the baseline version only: the picking code runs while the program is being
// loaded, before a sanitizer's runtime is up, and instrumented it would crash there.

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define CALIDARIX_SANITIZED_BUILD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CALIDARIX_SANITIZED_BUILD 1
#endif

// The two compilers name the versions differently: GCC takes whole x86-64 levels only in the "arch="
// form, and Clang's start-up check does not know the level names, so it gets the instruction sets.
#if defined(__x86_64__) && !defined(CALIDARIX_SANITIZED_BUILD) && defined(__clang__)
#define CALIDARIX_VECTOR_CLONES __attribute__((target_clones("avx512bw", "avx2", "default")))
#elif defined(__x86_64__) && !defined(CALIDARIX_SANITIZED_BUILD)
#define CALIDARIX_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define CALIDARIX_VECTOR_CLONES
#endif
