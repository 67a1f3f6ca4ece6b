# The version resource of a Windows program or DLL, read on any system
# (included by BuildInstaller.cmake).

# find_bytes(HEX PATTERN VARIABLE): the offset in hex digits of the first
# whole-byte occurrence of PATTERN in HEX, or -1.
function(find_bytes hex pattern variable)
  set(skipped 0)
  while(TRUE)
    string(FIND "${hex}" "${pattern}" at)
    if(at EQUAL -1)
      set(${variable} -1 PARENT_SCOPE)
      return()
    endif()
    math(EXPR odd "${at} % 2")
    if(NOT odd)
      math(EXPR at "${skipped} + ${at}")
      set(${variable} ${at} PARENT_SCOPE)
      return()
    endif()
    math(EXPR next "${at} + 1")
    string(SUBSTRING "${hex}" ${next} -1 hex)
    math(EXPR skipped "${skipped} + ${next}")
  endwhile()
endfunction()

# read_version_resource(FILE SCRATCH VERSION_VARIABLE LANGUAGE_VARIABLE): the
# file version and the language of a Windows program's or DLL's VERSIONINFO,
# as Windows Installer keeps them in the File table ("1.1.1.1001", "1033").
# Its resource section is copied out with OBJCOPY into the file SCRATCH.
function(read_version_resource file resources version_variable language_variable)
  execute_process(COMMAND "${OBJCOPY}" -O binary --only-section=.rsrc "${file}" "${resources}"
    COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${resources}" hex HEX)
  file(REMOVE "${resources}")
  # VS_FIXEDFILEINFO: the signature, the structure's version, then the file
  # version's high and low DWORDs, each little-endian.
  find_bytes("${hex}" "bd04effe" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} has no version resource")
  endif()
  math(EXPR at "${at} + 16")
  set(fields)
  foreach(word_offset 4 0 12 8)
    math(EXPR start "${at} + ${word_offset}")
    string(SUBSTRING "${hex}" ${start} 4 word)
    string(SUBSTRING "${word}" 0 2 low)
    string(SUBSTRING "${word}" 2 2 high)
    math(EXPR field "0x${high}${low}")
    list(APPEND fields ${field})
  endforeach()
  list(JOIN fields "." version)
  # The first language of VarFileInfo's "Translation" (UTF-16 key, ending
  # in a NUL and padded to a DWORD boundary).
  set(key "5400720061006e0073006c006100740069006f006e000000")
  find_bytes("${hex}" "${key}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} has no language in its version resource")
  endif()
  # The key starts 6 bytes into its DWORD-aligned block.
  math(EXPR block "${at} / 2 - 6")
  string(LENGTH "${key}" key_length)
  math(EXPR value "(${block} + 6 + ${key_length} / 2 + 3) / 4 * 4 * 2")
  string(SUBSTRING "${hex}" ${value} 4 word)
  string(SUBSTRING "${word}" 0 2 low)
  string(SUBSTRING "${word}" 2 2 high)
  math(EXPR language "0x${high}${low}")
  set(${version_variable} ${version} PARENT_SCOPE)
  set(${language_variable} ${language} PARENT_SCOPE)
endfunction()
