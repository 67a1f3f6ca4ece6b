# Signs a Windows program, DLL or installer package with Authenticode, in
# place: cmake -DOSSLSIGNCODE=… -DCERTIFICATE=… -DKEY=… [-DKEY_PASSWORD_FILE=…]
# [-DPKCS11_MODULE=…] [-DTIMESTAMP_URL=…] -DDESCRIPTION=… -DFILE=… -P SignFile.cmake
#
# CERTIFICATE holds the signing certificate and the chain up to its
# authority (PEM or DER); KEY its private key, a file or, with PKCS11_MODULE,
# a "pkcs11:" URI of a key on a token. The signature is made beside the file
# and takes its name only when whole, so a failed signing leaves no file that
# looks signed.
cmake_minimum_required(VERSION 3.25)

set(command "${OSSLSIGNCODE}" sign -h sha256 -n "${DESCRIPTION}" -certs "${CERTIFICATE}")
if(PKCS11_MODULE)
  list(APPEND command -pkcs11module "${PKCS11_MODULE}")
endif()
list(APPEND command -key "${KEY}")
if(KEY_PASSWORD_FILE)
  list(APPEND command -readpass "${KEY_PASSWORD_FILE}")
endif()
# An installer package (a compound file) also gets MsiDigitalSignatureEx, the
# hash of its streams' names, sizes and dates, which Windows Installer expects
# of a signed package; without it a changed date goes unnoticed.
file(READ "${FILE}" magic LIMIT 8 HEX)
if(magic STREQUAL "d0cf11e0a1b11ae1")
  list(APPEND command -add-msi-dse)
endif()
if(TIMESTAMP_URL)
  # An RFC 3161 time stamp keeps the signature valid after the certificate expires.
  list(APPEND command -ts "${TIMESTAMP_URL}")
endif()

set(signed "${FILE}.signed")
file(REMOVE "${signed}")
execute_process(COMMAND ${command} -in "${FILE}" -out "${signed}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  file(REMOVE "${signed}")
  message(FATAL_ERROR "Signing ${FILE} failed:\n${output}")
endif()
file(RENAME "${signed}" "${FILE}")
