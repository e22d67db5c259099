#!/bin/sh
# Installs the Debian packages that building and testing todsync need, and
# creates the system user _todsync that its network helper runs as.
# Usage: scripts/deps.sh [demo|linux|windows|bench|all]   (default: all)
#   demo: only what scripts/demo.sh needs to build todsync and start a test server
# Packages already present are left alone; nothing is started.
set -eu

what=${1:-all}

linux="build-essential cmake pkg-config git clang-format googletest samba-dev samba-common libcap-dev
       samba iproute2 util-linux libcap2-bin procps man-db groff-base systemd debhelper lintian
       samba-ad-dc samba-ad-provision krb5-user"
windows="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb
         xdotool imagemagick icoutils xauth unzip msitools wixl osslsigncode openssl libxml2-utils"
demo="build-essential cmake pkg-config samba-dev samba-common libcap-dev samba iproute2 util-linux"
extra="clang libclang-rt-14-dev valgrind"
bench="time samba-common-bin"

case $what in
    demo) pkgs=$demo ;;
    linux) pkgs=$linux ;;
    windows) pkgs="$linux $windows" ;;
    all) pkgs="$linux $windows $extra" ;;
    bench) pkgs="$linux $bench" ;;
    *) echo "usage: $0 [demo|linux|windows|bench|all]" >&2; exit 64 ;;
esac

missing=
for p in $pkgs; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
        missing="$missing $p"
done
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo

# The user, as the Debian package and `systemd-sysusers` make it.
add_user() {
    getent passwd _todsync >/dev/null && return
    if command -v systemd-sysusers >/dev/null; then
        $sudo systemd-sysusers "$(cd "$(dirname "$0")/.." && pwd)/systemd/todsync.sysusers"
    else
        $sudo useradd --system --user-group --home-dir /var/lib/todsync --no-create-home \
            --shell /usr/sbin/nologin --comment "todsync network time helper" _todsync
    fi
}
[ -n "$missing" ] || { add_user; exit 0; }

# Installing samba would start smbd and nmbd on every interface. Keep
# services from starting while we install, unless a policy is in place.
policy=/usr/sbin/policy-rc.d
ours=
if [ ! -e $policy ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee $policy >/dev/null
    $sudo chmod 755 $policy
    ours=1
fi
trap '[ -z "$ours" ] || $sudo rm -f $policy' EXIT

echo "installing:$missing"
$sudo apt-get update -q
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
add_user
