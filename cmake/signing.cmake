# Authenticode signing of the executable that goes into the zip, when the
# distributor names a PKCS#12 code-signing certificate. Sets
# QUELLMAR_PACKAGED_EXE to the executable to package: the signed copy
# (signed/QuellmarLaunch.exe) or, without a certificate, the one built.
#
# Only the path of the certificate is configured; its password is read from
# the environment variable QUELLMAR_SIGNING_PASSWORD when the build signs, so
# that it stays out of the cache and out of every command line.
set(QUELLMAR_SIGNING_CERT "" CACHE FILEPATH
    "PKCS#12 certificate to sign QuellmarLaunch.exe with (password: environment variable QUELLMAR_SIGNING_PASSWORD)")
set(QUELLMAR_SIGNING_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server for the signature; empty: no time stamp")

if(QUELLMAR_SIGNING_CERT)
  if(NOT EXISTS "${QUELLMAR_SIGNING_CERT}" OR IS_DIRECTORY "${QUELLMAR_SIGNING_CERT}")
    message(FATAL_ERROR "QUELLMAR_SIGNING_CERT: there is no certificate file ${QUELLMAR_SIGNING_CERT}")
  endif()
  find_program(QUELLMAR_OSSLSIGNCODE osslsigncode)
  find_program(QUELLMAR_BASH bash)
  if(NOT QUELLMAR_OSSLSIGNCODE OR NOT QUELLMAR_BASH)
    message(FATAL_ERROR "QUELLMAR_SIGNING_CERT: signing needs osslsigncode and bash "
                        "(tools/setup-debian.sh installs them)")
  endif()
  if(NOT DEFINED ENV{QUELLMAR_SIGNING_PASSWORD})
    message(STATUS "Signing will need the environment variable QUELLMAR_SIGNING_PASSWORD")
  endif()
  set(QUELLMAR_PACKAGED_EXE ${CMAKE_BINARY_DIR}/signed/QuellmarLaunch.exe)
  # The certificate is no dependency: when it is gone, the signing says so
  # instead of the build tool.
  add_custom_command(OUTPUT ${QUELLMAR_PACKAGED_EXE}
    COMMAND ${QUELLMAR_BASH} ${PROJECT_SOURCE_DIR}/tools/sign.sh ${QUELLMAR_SIGNING_CERT}
            $<TARGET_FILE:QuellmarLaunch> ${QUELLMAR_PACKAGED_EXE} ${QUELLMAR_SIGNING_TIMESTAMP_URL}
    DEPENDS QuellmarLaunch ${PROJECT_SOURCE_DIR}/tools/sign.sh
    COMMENT "Signing QuellmarLaunch.exe with ${QUELLMAR_SIGNING_CERT}"
    VERBATIM)
  add_custom_target(QuellmarLaunch_signed ALL DEPENDS ${QUELLMAR_PACKAGED_EXE})
  install(PROGRAMS ${QUELLMAR_PACKAGED_EXE} DESTINATION .)
else()
  set(QUELLMAR_PACKAGED_EXE $<TARGET_FILE:QuellmarLaunch>)
  install(TARGETS QuellmarLaunch RUNTIME DESTINATION .)
endif()
