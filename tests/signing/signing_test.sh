#!/bin/bash
# Signed builds: makes a throwaway certificate authority and code-signing
# certificate, builds setup.exe and the stand-in product signed in trees of its own
# (x86_64 with a PEM certificate and key, i686 with a password-protected PKCS#12
# bundle), checks with osslsigncode that setup.exe and the product's programs
# inside its payload containers carry valid signatures of that authority, with
# the fixed signing time, that the winget manifest names the signed setup.exe,
# that a relink signs to the same bytes, and installs the signed setup.exe of the
# test architecture quietly under Wine.
#   signing_test.sh SOURCE_DIR WORK_DIR
# The trees stay in WORK_DIR between runs (later runs build only what changed:
# the new certificate signs everything again).
set -euo pipefail
src=$(cd "$1" && pwd)
work=$2
mkdir -p "$work"
work=$(cd "$work" && pwd)
. "$src/tools/wine-env.sh"

fail=0
pass() { echo "ok:   $*"; }
bad() { echo "FAIL: $*"; fail=1; }

# ---- The throwaway authority and certificate -------------------------------------
pki=$work/pki
rm -rf "$pki" && mkdir -p "$pki"
cat > "$pki/ext.cnf" <<'EOF'
[signer]
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
EOF
make_ca() {  # name subject
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/$1.key" -out "$pki/$1.pem" -days 2 \
        -subj "/CN=$2" -addext basicConstraints=critical,CA:TRUE \
        -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
make_ca ca "Throwaway Test CA"
make_ca other "Unrelated Test CA"
openssl req -newkey rsa:2048 -nodes -keyout "$pki/signer.key" -out "$pki/signer.csr" \
    -subj "/CN=Throwaway Code Signer" 2>/dev/null
openssl x509 -req -in "$pki/signer.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" -CAcreateserial \
    -days 1 -extfile "$pki/ext.cnf" -extensions signer -out "$pki/signer.pem" 2>/dev/null
echo "not the default password" > "$pki/pass.txt"
openssl pkcs12 -export -in "$pki/signer.pem" -inkey "$pki/signer.key" -certfile "$pki/ca.pem" \
    -passout "file:$pki/pass.txt" -out "$pki/signer.pfx"

epoch=1700000000
want_time=$(LC_ALL=C date -u -d "@$epoch" '+%b %e %H:%M:%S %Y GMT')

# ---- The signed builds ----------------------------------------------------------
build() {  # dir arch signing-options...
    local dir=$1 arch=$2
    shift 2
    SOURCE_DATE_EPOCH=$epoch cmake -S "$src" -B "$dir" \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-$arch.cmake" \
        -DMARVANE_BUILD_TESTS=OFF -DMARVANE_PAYLOAD_DIR= "$@" >/dev/null
    # The containers first, on their own: another target's rules also name them.
    cmake --build "$dir" --target payload_containers -j2 >/dev/null
    cmake --build "$dir" --target setup -j2 >/dev/null
}
x64=$work/x86_64
x86=$work/i686
echo "== building signed trees (x86_64: PEM certificate and key; i686: PKCS#12 with password)"
build "$x64" x86_64 -DMARVANE_SIGN_CERT="$pki/signer.pem" -DMARVANE_SIGN_KEY="$pki/signer.key" \
    -DMARVANE_SIGN_PASS_FILE=
build "$x86" i686 -DMARVANE_SIGN_CERT="$pki/signer.pfx" -DMARVANE_SIGN_KEY= \
    -DMARVANE_SIGN_PASS_FILE="$pki/pass.txt"

# verify FILE: signed by our signer, chained to the throwaway authority, at the fixed time.
verify() {
    local out
    if ! out=$(osslsigncode verify -CAfile "$pki/ca.pem" -in "$1" 2>&1); then
        bad "$1 does not verify:"
        echo "$out" | sed 's/^/      /' | tail -n 15
        return
    fi
    if ! grep -q "Subject: /CN=Throwaway Code Signer" <<<"$out"; then
        bad "$1: signed by someone else"
    elif ! grep -q "Signing time: $want_time" <<<"$out"; then
        bad "$1: signing time is not $want_time: $(grep 'Signing time' <<<"$out")"
    else
        pass "$(basename "$1") verifies against the throwaway authority, signed $want_time"
    fi
}

check_tree() {  # dir
    local dir=$1
    echo "== $(basename "$dir"): setup.exe and the packed programs"
    verify "$dir/setup.exe"
    # The package manifest is made after the signing: it names the signed bytes.
    cmake --build "$dir" --target winget_manifest -j2 >/dev/null
    local want got
    want=$(sha256sum "$dir/setup.exe" | cut -d' ' -f1 | tr a-f A-F)
    got=$(sed -n 's/^ *InstallerSha256: //p' "$dir"/winget/*.installer.yaml)
    if [ "$got" = "$want" ]; then
        pass "the winget manifest's InstallerSha256 is the signed setup.exe's"
    else
        bad "the winget manifest's InstallerSha256 is '$got', the signed setup.exe's $want"
    fi
    # The programs as packed: expanded from their containers, not taken from the staging area.
    local resource name found=0
    mkdir -p "$dir/expanded"
    while read -r resource name; do
        case "$name" in
            *.exe | *.dll) ;;
            *) continue ;;
        esac
        found=$((found + 1))
        "$dir/host/szddpack" -d "$dir/containers/$resource.szdd" "$dir/expanded/$name"
        verify "$dir/expanded/$name"
    done < "$dir/containers/manifest.txt"
    [ "$found" -eq 3 ] && pass "3 programs in the payload" || bad "$found programs in the payload, not 3"
    # The checks can fail: another authority, or the file without its signature.
    if osslsigncode verify -CAfile "$pki/other.pem" -in "$dir/setup.exe" >/dev/null 2>&1; then
        bad "setup.exe verifies against an unrelated authority"
    else
        pass "setup.exe does not verify against an unrelated authority"
    fi
    rm -f "$dir/expanded/unsigned.exe"
    osslsigncode remove-signature -in "$dir/setup.exe" -out "$dir/expanded/unsigned.exe" >/dev/null
    if osslsigncode verify -CAfile "$pki/ca.pem" -in "$dir/expanded/unsigned.exe" >/dev/null 2>&1; then
        bad "setup.exe without its signature still verifies"
    else
        pass "setup.exe without its signature does not verify"
    fi
}
check_tree "$x64"
check_tree "$x86"

echo "== a relink signs to the same bytes (fixed signing time)"
cp "$x64/setup.exe" "$work/setup-first.exe"
rm -f "$x64/setup.exe"
cmake --build "$x64" --target setup -j2 >/dev/null
if cmp -s "$x64/setup.exe" "$work/setup-first.exe"; then
    pass "setup.exe identical after relinking and signing again"
else
    bad "setup.exe differs after relinking and signing again"
fi

# The tree of the architecture the Wine loader runs (tools/wine-env.sh): a 64-bit
# program does not start in the 32-bit loader's prefix, nor the reverse.
tree=$work/$MARVANE_TEST_ARCH
echo "== installing the signed $MARVANE_TEST_ARCH setup.exe quietly under Wine"
run=$work/run
rm -rf "$run" && mkdir -p "$run"
prefix=$tree/wine/prefixes/signed-install
rc=0
(cd "$run" && MARVANE_BUILD_DIR=$tree MARVANE_TEST_NAME=signed-install MARVANE_KEEP_PREFIX=1 \
    bash "$src/tests/wine-run.sh" "$tree/setup.exe" -q -l) || rc=$?
[ "$rc" -eq 0 ] && pass "setup.exe -q -l exit code 0" || bad "setup.exe -q -l exit code $rc"
installed=$prefix/drive_c/Marvane
count=0
while read -r _ name; do
    if cmp -s "$installed/$name" "$tree/payload/$name"; then
        count=$((count + 1))
    else
        bad "C:\\Marvane\\$name missing or not the packed bytes"
    fi
done < "$tree/containers/manifest.txt"
rows=$(wc -l <"$tree/containers/manifest.txt")
[ "$count" -eq "$rows" ] && pass "all $rows payload files in C:\\Marvane, as packed"
[ -f "$installed/Marvane.exe" ] && verify "$installed/Marvane.exe"
if grep -q "Installation successful!" "$run/setup.log" 2>/dev/null; then
    pass "setup.log reports the installation successful"
else
    bad "setup.log does not report success"
fi
[ "$fail" -eq 0 ] && rm -rf "$prefix"
exit $fail
