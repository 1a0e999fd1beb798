#!/bin/bash
# The cabinet for deployment, after the x86 tree is built: signs the x86
# module (Authenticode, osslsigncode), packs it with its .inf (written by
# the build beside the module's resources) into VemoMPIOCX.cab with gcab,
# and signs the cabinet. Only the two files named here go into it.
#
#   scripts/make-cab.sh [WINDOWS-BUILD-DIR]      (build/windows when not given)
#
# Leaves WINDOWS-BUILD-DIR/VemoMPIOCX.cab, and the signed module and the
# .inf in WINDOWS-BUILD-DIR/cab/ (the built module itself stays unsigned).
#
# Signing identity: VEMOMPI_SIGN_CERT (PEM: the code-signing certificate,
# then any intermediate certificates) and VEMOMPI_SIGN_KEY (PEM private
# key; VEMOMPI_SIGN_PASS its passphrase when it is encrypted). Without
# them, a throwaway test root and a code-signing certificate issued by it,
# made once in WINDOWS-BUILD-DIR/signing/ (root.pem is the root to verify
# against). VEMOMPI_SIGN_TIMESTAMP_URL, when set, is the RFC 3161 time
# stamp server asked to countersign (a signature without one ends with its
# certificate).
set -euo pipefail
out="${1:-}"
if [ -n "$out" ] && [ "${out#/}" = "$out" ]; then out="$PWD/$out"; fi  # relative to where it was called
cd "$(dirname "$0")/.."
out="${out:-build/windows}"

say() { echo "make-cab: $*"; }
module="$out/x86/VemoMPIOCX.ocx"
inf="$out/x86/winres/VemoMPIOCX.inf"
for f in "$module" "$inf"; do
  [ -f "$f" ] || { say "$f is not built (scripts/build-windows.sh builds it)"; exit 1; }
done
for tool in osslsigncode gcab openssl; do
  command -v "$tool" >/dev/null 2>&1 || { say "$tool is not installed (scripts/build-windows.sh installs it)"; exit 1; }
done

# ---------------------------------------------------------------- the signing identity
signing="$out/signing"
if [ -n "${VEMOMPI_SIGN_CERT:-}" ] || [ -n "${VEMOMPI_SIGN_KEY:-}" ]; then
  cert="${VEMOMPI_SIGN_CERT:-}" key="${VEMOMPI_SIGN_KEY:-}"
  [ -r "$cert" ] && [ -r "$key" ] || { say "VEMOMPI_SIGN_CERT and VEMOMPI_SIGN_KEY must both name readable PEM files"; exit 1; }
  # The throwaway root of an earlier run would not verify this signature.
  rm -rf "$signing"
  say "signing with $cert"
else
  cert="$signing/signer.pem" key="$signing/signer.key"
  # Made again when missing or about to expire.
  if [ ! -f "$signing/root.pem" ] || [ ! -f "$key" ] || ! openssl x509 -checkend 86400 -noout -in "$cert" >/dev/null 2>&1
  then
    say "making a throwaway test root and code-signing certificate in $signing"
    rm -rf "$signing"
    mkdir -p "$signing"
    chmod 700 "$signing"
    (
      umask 077
      cd "$signing"
      openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650 -keyout root.key -out root.pem \
        -subj "/CN=VemoMPI throwaway test root" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
      openssl req -new -newkey rsa:3072 -nodes -sha256 -keyout signer.key -out signer.csr \
        -subj "/CN=VemoMPI throwaway test code signing" 2>/dev/null
      printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
        "extendedKeyUsage=codeSigning" "subjectKeyIdentifier=hash" "authorityKeyIdentifier=keyid" >signer.ext
      openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -set_serial "0x$(openssl rand -hex 8)" \
        -days 825 -sha256 -extfile signer.ext -out signer.pem 2>/dev/null
      rm -f signer.csr signer.ext
    )
  fi
  say "signing with the throwaway certificate $cert (root: $signing/root.pem)"
fi

sign() {  # sign IN OUT; OUT appears only when signed
  local args=(sign -certs "$cert" -key "$key" -h sha256 -n "VemoMPIOCX Control" -in "$1" -out "$2.part")
  [ -n "${VEMOMPI_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$VEMOMPI_SIGN_TIMESTAMP_URL")
  rm -f "$2" "$2.part"
  if [ -n "${VEMOMPI_SIGN_PASS:-}" ]; then
    # The passphrase through a pipe, never on a command line.
    osslsigncode "${args[@]}" -readpass <(printf '%s' "$VEMOMPI_SIGN_PASS") >/dev/null
  else
    osslsigncode "${args[@]}" >/dev/null
  fi
  mv "$2.part" "$2"
}

# ---------------------------------------------------------------- the cabinet
# No cabinet of an earlier run is left when this one fails.
stage="$out/cab"
rm -rf "$stage" "$out/VemoMPIOCX.cab"
mkdir -p "$stage"
sign "$module" "$stage/VemoMPIOCX.ocx"
cp "$inf" "$stage/VemoMPIOCX.inf"
cab="$out/VemoMPIOCX.cab"
unsigned="$(cd "$stage" && pwd)/VemoMPIOCX-unsigned.cab"
# The explicit list: the x86 module and its .inf, nothing else of the tree.
(cd "$stage" && gcab --create --zip "$unsigned" VemoMPIOCX.ocx VemoMPIOCX.inf)
sign "$unsigned" "$cab"
rm -f "$unsigned"
say "built $cab (the signed VemoMPIOCX.ocx and VemoMPIOCX.inf; the cabinet signed)"
