#!/bin/sh
# Installs the Debian packages a build needs, as root or through sudo; says clearly when neither works.
set -e
want="$*"
missing=""
for p in $want; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing missing Debian packages:$missing"
if [ "$(id -u)" = 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    SUDO="sudo -n"
else
    echo "error: these packages are missing:$missing" >&2
    echo "error: install them as root (apt-get install$missing) or run make with sudo rights." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || true
$SUDO apt-get install -y -qq --no-install-recommends $missing
