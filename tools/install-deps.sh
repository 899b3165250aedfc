#!/usr/bin/env bash
# Installs the Debian packages listed in tools/packages.txt that are missing, and keeps the
# services of the test-only packages (the "[test-only]" section) from ever starting. Idempotent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=()
test_only=()
section=packages
while read -r line; do
    line=${line%%#*}
    line=${line//[[:space:]]/}
    case $line in
    '') ;;
    '[test-only]') section=test-only ;;
    '[packages]') section=packages ;;
    *)
        wanted+=("$line")
        [ "$section" = test-only ] && test_only+=("$line")
        ;;
    esac
done <"$here/packages.txt"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The systemd units and init scripts a package ships.
units_of() { dpkg-query -L "$1" 2>/dev/null | grep -E '^(/usr)?/lib/systemd/system/[^/]+\.(service|socket|path|timer)$' || true; }
init_scripts_of() { dpkg-query -L "$1" 2>/dev/null | grep -E '^/etc/init\.d/[^/]+$' || true; }

# Masks every unit and disables every init script of a test-only package. A unit file that
# the administrator put in /etc/systemd/system is left alone.
quiet_services() {
    local package=$1 unit script name changed=()
    # A package the system itself stands on (systemd, for one) is never treated so.
    case $(dpkg-query -W -f='${Essential} ${Priority}' "$package" 2>/dev/null) in
    yes* | *required | *important)
        echo "install-deps: $package is part of the base system; its services are left alone" >&2
        return
        ;;
    esac
    while read -r unit; do
        [ -n "$unit" ] || continue
        name=${unit##*/}
        [[ $name == *@.* ]] && continue # templates have no instance until one is asked for
        if [ ! -e "/etc/systemd/system/$name" ] && [ ! -L "/etc/systemd/system/$name" ]; then
            if command -v systemctl >/dev/null; then systemctl disable --quiet "$name" >/dev/null 2>&1 || true; fi
            mkdir -p /etc/systemd/system
            ln -s /dev/null "/etc/systemd/system/$name"
            changed+=("$name masked")
        fi
    done < <(units_of "$package")
    while read -r script; do
        [ -n "$script" ] || continue
        name=${script##*/}
        if ls /etc/rc[2-5].d/S??"$name" >/dev/null 2>&1 && update-rc.d "$name" disable >/dev/null 2>&1; then
            changed+=("init script $name disabled")
        fi
        if [ ! -e "/etc/systemd/system/$name.service" ] && [ ! -L "/etc/systemd/system/$name.service" ] &&
            [ ! -e "/lib/systemd/system/$name.service" ] && [ ! -e "/usr/lib/systemd/system/$name.service" ]; then
            mkdir -p /etc/systemd/system
            ln -s /dev/null "/etc/systemd/system/$name.service"
            changed+=("$name.service masked")
        fi
    done < <(init_scripts_of "$package")
    if [ ${#changed[@]} -gt 0 ]; then
        printf 'install-deps: test-only package %s (never runs as a service here):' "$package"
        printf ' %s;' "${changed[@]}"
        printf '\n'

    fi
}

missing=()
for p in "${wanted[@]}"; do
    installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Run as root (or install them with apt-get) and try again." >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    # No service starts while packages are installed: a policy-rc.d of our own for the time of
    # apt-get; one that was already there is set aside and put back unchanged.
    policy=/usr/sbin/policy-rc.d
    saved=$policy.vornalix-saved
    restore_policy() {
        rm -f "$policy"
        if [ -e "$saved" ] || [ -L "$saved" ]; then mv -f "$saved" "$policy"; fi
    }
    # A run that was killed before it put the original back.
    if [ -e "$saved" ] || [ -L "$saved" ]; then restore_policy; fi
    if [ -e "$policy" ] || [ -L "$policy" ]; then mv "$policy" "$saved"; fi
    trap restore_policy EXIT
    printf '#!/bin/sh\n# Installed for the time of tools/install-deps.sh.\nexit 101\n' >"$policy"
    chmod 755 "$policy"
    apt-get install -y -q --no-install-recommends "${missing[@]}"
    restore_policy
    trap - EXIT
fi

# Also for test-only packages installed earlier: their services stay off.
if [ "$(id -u)" -eq 0 ]; then
    for p in "${test_only[@]}"; do
        installed "$p" && quiet_services "$p"
    done
else
    for p in "${test_only[@]}"; do
        for script in $(init_scripts_of "$p"); do
            if ls /etc/rc[2-5].d/S??"${script##*/}" >/dev/null 2>&1; then
                echo "install-deps: warning: the service ${script##*/} (test-only) is enabled; run this as root to disable it" >&2
            fi
        done
    done
fi
exit 0
