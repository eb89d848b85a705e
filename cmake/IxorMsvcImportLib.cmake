# Import libraries in the short format that Microsoft's linker (and
# lld-link) take, made from a module-definition file with llvm-dlltool.
# Undecorated names stand for cdecl functions; on 32-bit a name may carry
# its stdcall decoration (Name@N), which -k keeps out of the imported name.
find_program(IXOR_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(IXOR_DLLTOOL_MACHINE i386:x86-64)
else()
  set(IXOR_DLLTOOL_MACHINE i386 -k)
endif()

# ixor_msvc_import_lib(<target> <def file> <output .lib>): a target that
# builds the import library.
function(ixor_msvc_import_lib target def lib)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${IXOR_LLVM_DLLTOOL} -m ${IXOR_DLLTOOL_MACHINE} -d ${def} -l ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${lib})
endfunction()
