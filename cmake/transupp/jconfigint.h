/* The part of libjpeg-turbo's internal configuration header that transupp.c
   reaches through jinclude.h. The library's own copy is generated in its
   build tree, which the native build does not have. */
#define INLINE __inline__ __attribute__((always_inline))
#define THREAD_LOCAL
#define FALLTHROUGH
#define PACKAGE_NAME "libjpeg-turbo"
#define SIZEOF_SIZE_T __SIZEOF_SIZE_T__
