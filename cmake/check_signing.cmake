# Signs a release with a throwaway self-signed code-signing certificate and
# checks what a distributor relies on: the zip holds the signed executable,
# the executable beside the zip is that signed one, and `sha256sum -c
# SHA256SUMS` passes on both; osslsigncode verifies its SHA-256 signature against the
# certificate; taking the signature off gives back BUILT, the reproducible
# unsigned executable; the password is nowhere in the build tree; and a wrong
# password, none, or a missing certificate stops the build with a message
# that says so. Leaves the signed executable from the zip in WORK for the
# test that runs it under Wine.
#
# SOURCE is the source tree, WORK a scratch folder, GENERATOR, TOOLCHAIN,
# BUILD_TYPE and EPOCH (its release time stamp) configure the signing build as
# the calling tree was, ZIP is the zip's name, OPENSSL and OSSLSIGNCODE the
# tools.
foreach(tool OPENSSL OSSLSIGNCODE)
  if(NOT ${tool})
    message(FATAL_ERROR "the signing test needs openssl and osslsigncode (tools/setup-debian.sh)")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Shell and CMake characters, so that any quoting mistake on the way shows.
set(password "throwaway 'pass' \"$HOME\" *")
set(ENV{QUELLMAR_SIGNING_PASSWORD} "${password}")
set(subject "/CN=QuellmarLaunch test signer")
execute_process(
  COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout ${WORK}/key.pem -out ${WORK}/cert.pem
          -days 2 -subj ${subject} -addext extendedKeyUsage=codeSigning
          -addext keyUsage=critical,digitalSignature
  COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
execute_process(
  COMMAND ${OPENSSL} pkcs12 -export -inkey ${WORK}/key.pem -in ${WORK}/cert.pem
          -out ${WORK}/signer.p12 -passout env:QUELLMAR_SIGNING_PASSWORD
  COMMAND_ERROR_IS_FATAL ANY)

set(build ${WORK}/build)
set(toolchain "")
if(TOOLCHAIN)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
macro(configure_signing_build certificate)
  # With the calling tree's time stamp, so that a commit made since it was
  # built does not make the two executables differ.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${EPOCH}
            ${CMAKE_COMMAND} -S ${SOURCE} -B ${build} -G ${GENERATOR} ${toolchain}
            -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DQUELLMAR_TESTS=OFF
            -DQUELLMAR_SIGNING_CERT=${certificate}
    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
endmacro()
macro(build_signed_package)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} --target package
                  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
endmacro()

configure_signing_build(${WORK}/signer.p12)
if(failed)
  message(FATAL_ERROR "the signing build does not configure:\n${output}")
endif()
build_signed_package()
if(failed)
  message(FATAL_ERROR "the signing build fails:\n${output}")
endif()

# The executable in the zip is the signed copy; the built one stays as it is.
set(unpacked ${WORK}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${build}/${ZIP}
                WORKING_DIRECTORY ${unpacked} COMMAND_ERROR_IS_FATAL ANY)
set(shipped ${unpacked}/QuellmarLaunch.exe)
file(SHA256 ${shipped} shipped_hash)
file(SHA256 ${build}/signed/QuellmarLaunch.exe signed_hash)
file(SHA256 ${build}/QuellmarLaunch.exe unsigned_hash)
file(SHA256 ${BUILT} built_hash)
if(NOT shipped_hash STREQUAL signed_hash OR shipped_hash STREQUAL unsigned_hash)
  message(FATAL_ERROR "${ZIP} does not hold the signed executable")
endif()
if(NOT unsigned_hash STREQUAL built_hash)
  message(FATAL_ERROR "the signing build's unsigned executable differs from ${BUILT}")
endif()
string(REGEX REPLACE "[.]zip$" ".exe" bare "${ZIP}")
file(SHA256 ${build}/${bare} bare_hash)
if(NOT bare_hash STREQUAL signed_hash)
  message(FATAL_ERROR "${bare} beside the zip is not the signed executable")
endif()
file(READ ${build}/SHA256SUMS sums)
if(NOT sums MATCHES "(^|\n)${shipped_hash}  ${bare}\n")
  message(FATAL_ERROR "SHA256SUMS does not name the signed executable:\n${sums}")
endif()
find_program(SHA256SUM sha256sum REQUIRED)
execute_process(COMMAND ${SHA256SUM} -c --strict SHA256SUMS WORKING_DIRECTORY ${build}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "sha256sum -c SHA256SUMS fails on the signed release:\n${output}")
endif()

execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${WORK}/cert.pem -in ${shipped}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed OR NOT output MATCHES "Signature verification: ok"
   OR NOT output MATCHES "Message digest algorithm *: SHA256"
   OR NOT output MATCHES "Subject: ${subject}\n")
  message(FATAL_ERROR "the signature does not verify against the test certificate:\n${output}")
endif()

execute_process(COMMAND ${OSSLSIGNCODE} remove-signature -in ${shipped} -out ${WORK}/stripped.exe
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 ${WORK}/stripped.exe stripped_hash)
if(NOT stripped_hash STREQUAL built_hash)
  message(FATAL_ERROR "without its signature the executable is not ${BUILT}")
endif()

string(HEX "${password}" password_hex)
file(GLOB_RECURSE build_files ${build}/*)
foreach(file IN LISTS build_files)
  file(READ ${file} content HEX)
  string(FIND "${content}" "${password_hex}" at)
  if(at GREATER_EQUAL 0)
    message(FATAL_ERROR "the password is written in ${file}")
  endif()
endforeach()

file(COPY ${shipped} DESTINATION ${WORK})

# Refusals: each leaves no signed executable behind for a later packaging.
macro(expect_refusal what says)
  file(REMOVE ${build}/signed/QuellmarLaunch.exe)
  build_signed_package()
  if(NOT failed)
    message(FATAL_ERROR "the build signed with ${what}")
  endif()
  if(NOT output MATCHES "${says}")
    message(FATAL_ERROR "with ${what}, the build did not say \"${says}\":\n${output}")
  endif()
  if(EXISTS ${build}/signed/QuellmarLaunch.exe)
    message(FATAL_ERROR "with ${what}, a signed executable was left behind")
  endif()
endmacro()

set(ENV{QUELLMAR_SIGNING_PASSWORD} "not the password")
expect_refusal("a wrong password"
  "signer.p12 does not open with the password in QUELLMAR_SIGNING_PASSWORD")
unset(ENV{QUELLMAR_SIGNING_PASSWORD})
expect_refusal("no password" "set the environment variable QUELLMAR_SIGNING_PASSWORD")
set(ENV{QUELLMAR_SIGNING_PASSWORD} "${password}")
file(RENAME ${WORK}/signer.p12 ${WORK}/moved.p12)
expect_refusal("the certificate gone" "there is no certificate file ${WORK}/signer.p12")

configure_signing_build(${WORK}/missing.p12)
if(NOT failed OR NOT output MATCHES "QUELLMAR_SIGNING_CERT: there is no certificate file")
  message(FATAL_ERROR "a missing certificate did not stop the configuration:\n${output}")
endif()

message(STATUS "signed ${ZIP} and ${bare}: verified, sha256sum -c passes, unsigned it is ${BUILT}; "
               "wrong, missing password and missing certificate refused")
