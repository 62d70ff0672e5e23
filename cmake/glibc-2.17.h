/* Included first in every file of the Linux program and of the SDL built for it (compiled against
   glibc 2.31), so that the program runs on glibc 2.17 and later. glibc 2.27 and 2.29 gave these
   functions new versions (faster, with errno handled differently); the versions from before do the
   same job and every glibc since 2.2.5 has them. */
#if defined(__x86_64__) && defined(__linux__)
__asm__(".symver exp,exp@GLIBC_2.2.5");
__asm__(".symver log,log@GLIBC_2.2.5");
__asm__(".symver pow,pow@GLIBC_2.2.5");
__asm__(".symver exp2,exp2@GLIBC_2.2.5");
__asm__(".symver log2,log2@GLIBC_2.2.5");
__asm__(".symver expf,expf@GLIBC_2.2.5");
__asm__(".symver logf,logf@GLIBC_2.2.5");
__asm__(".symver powf,powf@GLIBC_2.2.5");
__asm__(".symver exp2f,exp2f@GLIBC_2.2.5");
__asm__(".symver log2f,log2f@GLIBC_2.2.5");
#endif
