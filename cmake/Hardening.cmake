# The hardening that Debian builds its packages with, for every optimized
# build (Release, RelWithDebInfo, MinSizeRel: the packages are made from
# those): checked string and memory functions (_FORTIFY_SOURCE needs the
# optimizer), a stack protector, and relocations made read-only after
# loading with every symbol bound at start (RELRO with BIND_NOW). Left out of
# the sanitizer and fuzzing builds, whose run-time checks do the same work.
option(ZAN_HARDEN "Build optimized builds with the hardening flags (Debian's)" ON)
if(ZAN_HARDEN AND NOT ZAN_SANITIZE AND NOT ZAN_FUZZ)
  set(zan_optimized "$<NOT:$<CONFIG:Debug>>")
  add_compile_options("$<${zan_optimized}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
                      -fstack-protector-strong)
  add_link_options("$<${zan_optimized}:LINKER:-z,relro,-z,now>")
endif()
