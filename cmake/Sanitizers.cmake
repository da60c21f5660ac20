# Sanitizer builds: VELTRIN_SANITIZE (AddressSanitizer and UBSan) or VELTRIN_TSAN (ThreadSanitizer),
# each in a build folder of its own; the two cannot share a process.
if(VELTRIN_SANITIZE AND VELTRIN_TSAN)
  message(FATAL_ERROR "VELTRIN_SANITIZE and VELTRIN_TSAN exclude each other: use two build folders")
endif()

if(VELTRIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELTRIN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
