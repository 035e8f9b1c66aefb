#!/bin/bash
# sign.sh CERTIFICATE.p12 IN.exe OUT.exe [TIMESTAMP_URL]: writes OUT.exe, a
# copy of IN.exe with a SHA-256 Authenticode signature made by osslsigncode
# with the PKCS#12 certificate and key in CERTIFICATE.p12, time-stamped by the
# RFC 3161 server at TIMESTAMP_URL when given. The build runs it when
# QUELLMAR_SIGNING_CERT is set; it can sign by hand too.
#
# The certificate's password comes from the environment variable
# QUELLMAR_SIGNING_PASSWORD, and reaches osslsigncode through a pipe, so that
# it is never on a command line, where any user could read it, nor in a file.
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 CERTIFICATE.p12 IN.exe OUT.exe [TIMESTAMP_URL]" >&2
  exit 2
fi
certificate=$1
in=$2
out=$3
timestamp_url=${4:-}

fail() {
  echo "error: QuellmarLaunch.exe not signed: $*" >&2
  exit 1
}

[ -f "$certificate" ] || fail "there is no certificate file $certificate (QUELLMAR_SIGNING_CERT)"
[ -r "$certificate" ] || fail "the certificate file $certificate cannot be read"
[ -n "${QUELLMAR_SIGNING_PASSWORD+set}" ] ||
  fail "set the environment variable QUELLMAR_SIGNING_PASSWORD to the password of $certificate"
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (tools/setup-debian.sh installs it)"

arguments=(sign -pkcs12 "$certificate" -h sha256 -n QuellmarLaunch)
if [ -n "$timestamp_url" ]; then
  arguments+=(-ts "$timestamp_url")
fi

# A failed run leaves no output behind that a later packaging could take for
# the signed executable.
rm -f "$out"
mkdir -p "$(dirname "$out")"
partial=$out.partial
rm -f "$partial"
set +e
if [ -n "$QUELLMAR_SIGNING_PASSWORD" ]; then
  # osslsigncode reads the password file once and drops the line end.
  report=$(osslsigncode "${arguments[@]}" -readpass /dev/fd/3 -in "$in" -out "$partial" 2>&1 \
    3<<<"$QUELLMAR_SIGNING_PASSWORD")
else
  # It cannot read an empty password from a file; without one it tries the
  # empty password.
  report=$(osslsigncode "${arguments[@]}" -in "$in" -out "$partial" 2>&1)
fi
status=$?
set -e
if [ $status -ne 0 ] || [ ! -s "$partial" ]; then
  rm -f "$partial"
  echo "$report" >&2
  if grep -q "PKCS#12" <<<"$report"; then
    fail "$certificate does not open with the password in QUELLMAR_SIGNING_PASSWORD" \
      "(a wrong password, or not a PKCS#12 file)"
  fi
  if [ -n "$timestamp_url" ] && grep -qi "timestamp" <<<"$report"; then
    fail "the time-stamp server $timestamp_url did not answer (QUELLMAR_SIGNING_TIMESTAMP_URL)"
  fi
  fail "osslsigncode failed on $in"
fi
mv "$partial" "$out"
echo "signed: $out"
