#!/bin/sh
# One row of the fault matrix: todsync against the server of scripts/testnet.sh
# when the network, the server or the command line misbehaves: the entry line
# by line, the exit status, the next host tried, no hang. The clock privilege
# is out of reach, so a host that answers ends in "SetSystemTime() failed.".
#   scripts/testnet.sh tests/fault-matrix.sh ROW path/to/todsync
set -u
row=$1
todsync=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e-lib.sh"

not_found() { failed_with "$1" "53: The network path was not found."; }

case $row in
refused)
    run 127.0.0.2 127.0.0.1
    expect_messages "$(refused 127.0.0.2)" "$(reached 127.0.0.1)" "All tries were failed."
    [ -n "${TODSYNC_WRAPPER:-}" ] || awk -v t="$took" 'BEGIN { exit !(t < 3) }' ||
        fail "a refused host took $took s"
    ;;
silent)
    # 10.255.0.2 sits behind a veth whose far end drops every frame.
    ip link add tdsilent0 type veth peer name tdsilent1
    ip addr add 10.255.0.1/24 dev tdsilent0
    ip link set tdsilent0 up && ip link set tdsilent1 up
    ip neigh add 10.255.0.2 lladdr 02:00:00:00:00:02 dev tdsilent0 nud permanent
    run 10.255.0.2 127.0.0.1
    expect_messages "$(failed_with "10.255.0.2" "121: The semaphore timeout period has expired.")" \
        "$(reached 127.0.0.1)" "All tries were failed."
    [ -n "${TODSYNC_WRAPPER:-}" ] || awk -v t="$took" 'BEGIN { exit !(t < 30) }' ||
        fail "a silent host took $took s"
    ;;
max-step)
    # A server nine years ahead (a forged record): its step is refused and
    # the next host tried, whose step within the limit is taken (tried: the
    # privilege is out of reach).
    hostile forge
    run --max-step=3600 127.0.0.3 127.0.0.1
    [ "$status" -eq 1 ] || fail "max-step: status $status"
    expect_messages "$(reached 127.0.0.3 | head -n 5)" \
        "The step of STEP s is larger than the limit of 3600 s; the clock was not set." \
        "$(reached 127.0.0.1)" "All tries were failed."
    messages | grep -q '^The step of +28[0-9]\{7\}\.[0-9]\{3\} s is larger' ||
        fail "max-step: the forged step: $(messages | grep 'step of')"
    ;;
unresolvable)
    run no-such-host.invalid 127.0.0.1
    expect_messages "$(not_found NO-SUCH-HOST.INVALID)" "$(reached 127.0.0.1)" "All tries were failed."
    ;;
wrong-password)
    printf 'right\nright\n' | smbpasswd -c "$TESTNET_CONF" -s -a daemon >/dev/null ||
        fail "smbpasswd"
    # A server that started before the password database existed may not
    # see the new user: it starts again.
    "$here/../scripts/testnet.sh" --stop
    "$here/../scripts/testnet.sh" --start || fail "restart"
    for way in "USER=daemon%wrong" "USER=daemon PASSWD=wrong"; do
        eval "$way run 127.0.0.1 127.0.0.2"
        expect_messages "$(failed_with "127.0.0.1" "1326: The user name or password is incorrect.")" \
            "$(refused 127.0.0.2)" "All tries were failed."
    done
    printf 'right\n' >"$work/password"
    for way in "USER=daemon%right" "USER=daemon PASSWD_FILE=$work/password"; do
        eval "$way run 127.0.0.1"
        expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    done
    ;;
access-denied)
    # The server runs with "restrict anonymous = 2" (TESTNET_EXTRA_CONF).
    run 127.0.0.1 127.0.0.2
    expect_messages "$(failed_with "127.0.0.1" "5: Access is denied.")" \
        "$(refused 127.0.0.2)" "All tries were failed."
    ;;
server-killed)
    # The server stops answering, the call waits, and then the server dies.
    kill -STOP "$TESTNET_SMBD_PID"
    run 127.0.0.1 127.0.0.2 &
    runner=$!
    # Once the kernel has completed the connection, the call waits.
    timeout 30 sh -c "until ss -Htn state established '( dport = :445 )' | grep -q .; do sleep 0.1; done"
    sleep 0.2
    kill -KILL "$TESTNET_SMBD_PID"
    wait "$runner"
    expect_messages "$(failed_with "127.0.0.1" "64: The specified network name is no longer available.")" \
        "$(refused 127.0.0.2)" "All tries were failed."
    ;;
odd-names)
    long255=$(printf '%0255d' 0 | tr 0 a)
    long10k=$(printf '%010000d' 0 | tr 0 b)
    up255=$(echo "$long255" | tr a-z A-Z)
    up10k=$(echo "$long10k" | tr a-z A-Z)
    # Names that resolve, in odd forms.
    run LocalHost '\\127.0.0.1' ::1
    expect_messages "$(reached LOCALHOST)" "$(reached '\\127.0.0.1')" "$(reached ::1)" \
        "All tries were failed."
    # Names that cannot: each fails alone, and the server after it is tried.
    marker=$work/pwned
    for name in "$long255" "$long10k" "hôte-ünïcødé" "\$(touch\${IFS}$marker)" \
        "\`touch\${IFS}$marker\`" "a;touch\${IFS}$marker" "x'\"y"; do
        run "$name" 127.0.0.1
        messages >"$work/entry"
        [ "$status" -eq 1 ] && grep -q '^NetRemoteTOD() failed\. Error [0-9]*: .' "$work/entry" &&
            [ "$(tail -n 8 "$work/entry" | head -n 1)" = "Trying machine 127.0.0.1." ] &&
            [ "$(tail -n 2 "$work/entry" | tr '\n' '|')" = "SetSystemTime() failed.|All tries were failed.|" ] ||
            fail "[$name]: exit status $status, entry: $(cat "$work/entry")"
    done
    [ ! -e "$marker" ] || fail "a host name reached a shell"
    for up in "$up255" "$up10k"; do  # logged whole, upper-cased
        grep -q "] Trying machine $up\\.\$" "$VESTRIO_LOG_FILE" || fail "a long name, cut or lost"
    done
    ;;
standard-input)
    # No input at all, a terminal, and a user without a password: the run
    # never waits for an answer.
    timeout 60 "$todsync" 127.0.0.1 <&- >&- 2>&-
    status=$?
    [ "$status" -eq 1 ] || fail "standard input closed: exit status $status"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    USER=someone timeout 60 script -qec "$todsync 127.0.0.1" /dev/null >"$work/tty" 2>&1
    status=$?
    [ "$status" -eq 1 ] || fail "a terminal on standard input: exit status $status"
    ! grep -qi password "$work/tty" || fail "asked for a password: $(cat "$work/tty")"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    ;;
deadline)
    # A server that answers too slowly costs the host the deadline, not the
    # run.
    # One answers every frame 18 s late, one trickles a byte every 10 s,
    # one stops answering once the RPC has begun.
    hostile late
    hostile trickle 127.0.0.4
    hostile rpc 127.0.0.5
    limit=100
    run 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.1
    expect_messages "$(failed_with "127.0.0.3" "121: The semaphore timeout period has expired.")" \
        "$(failed_with "127.0.0.4" "121: The semaphore timeout period has expired.")" \
        "$(failed_with "127.0.0.5" "121: The semaphore timeout period has expired.")" \
        "$(reached 127.0.0.1)" "All tries were failed."
    # Three hosts at most the deadline each, and a second for the rest.
    awk -v t="$took" 'BEGIN { exit !(t >= 29 && t <= 92) }' || fail "three slow hosts took $took s"
    ;;
garbage)
    hostile garbage
    run 127.0.0.3 127.0.0.1
    messages >"$work/entry"
    grep -q '^NetRemoteTOD() failed\. Error [0-9]*: .' "$work/entry" ||
        fail "garbage was not a failed host: $(cat "$work/entry")"
    [ "$(tail -n 1 "$work/entry")" = "All tries were failed." ] &&
        grep -q '^SetSystemTime() failed\.$' "$work/entry" || fail "the next host was not tried"
    ;;
helper)
    # While the network helper waits on a stalled server: it is no one
    # (uid 0 or with a capability), the program holds nothing of Samba, and
    # another local account can neither signal it or the launcher nor read
    # their secrets; no credential is in a file.
    hostile stall
    # Started with a supplementary group, a closed standard input and a
    # descriptor of the caller's (9): none of them reaches the run.
    USER=daemon%hunter2 setpriv --groups=4 -- "$todsync" 127.0.0.3 127.0.0.1 <&- \
        >"$work/stdout" 2>"$work/stderr" 9<"$work/stdout" &
    program=$!
    helper=$(connected_helper "$program") || fail "no helper connected to the server"
    [ "$(readlink /proc/"$program"/fd/0)" = /dev/null ] || fail "standard input is not /dev/null"
    for p in $(descendants "$program"); do
        ! ls -l /proc/"$p"/fd | grep -q "$work/stdout" || fail "process $p holds the caller's descriptor"
        [ "$(ps -o sid= -p "$p" | tr -d ' ')" = "$p" ] || fail "process $p has no session of its own"
    done
    for p in "$program" $(descendants "$program"); do
        grep -q '^Uid:[[:space:]]*0[[:space:]]' /proc/"$p"/status && fail "process $p runs as root"
        grep -q '^Groups:[[:space:]]*$' /proc/"$p"/status &&
            [ "$(awk '/^Gid:/ { print $2 $3 $4 $5 }' /proc/"$p"/status)" = \
                "$(id -g _todsync)$(id -g _todsync)$(id -g _todsync)$(id -g _todsync)" ] ||
            fail "process $p keeps root's groups: $(grep -E '^(Gid|Groups):' /proc/"$p"/status)"
        [ "$(grep -Ec '^(CapPrm|CapEff|CapInh|CapAmb|CapBnd):[[:space:]]*0+$' /proc/"$p"/status)" -eq 5 ] ||
            fail "process $p holds capabilities: $(grep ^Cap /proc/"$p"/status)"
        grep -q '^NoNewPrivs:[[:space:]]*1' /proc/"$p"/status || fail "process $p may gain privileges"
        grep -q '^Seccomp:[[:space:]]*[12]' /proc/"$p"/status && [ "$p" != "$helper" ] &&
            fail "process $p is filtered like the helper"
        as_nobody="setpriv --reuid=nobody --regid=nogroup --clear-groups"
        ! $as_nobody kill -0 "$p" 2>/dev/null || fail "nobody may signal process $p"
        [ "$(stat -c %U /proc/"$p"/environ)" = root ] || fail "process $p is dumpable"
        ! $as_nobody cat /proc/"$p"/environ /proc/"$p"/mem 2>/dev/null | grep -qa hunter2 ||
            fail "nobody read the password from process $p"
    done
    grep -q '^Seccomp:[[:space:]]*2' /proc/"$helper"/status || fail "the helper is not filtered"
    # The helper's descriptors: its socket to the launcher, the server's.
    [ "$(ls -l /proc/"$helper"/fd | grep -c 'socket:')" -eq 2 ] ||
        fail "the helper holds other sockets: $(ls -l /proc/"$helper"/fd)"
    [ -z "$(tr '\0' '\n' </proc/"$helper"/environ | grep -v '^KRB5')" ] ||
        fail "the helper kept the caller's environment: $(tr '\0' ' ' </proc/"$helper"/environ)"
    secrets=$(find /tmp /var/tmp /dev/shm -user _todsync -type f -exec grep -l hunter2 {} + 2>/dev/null)
    [ -z "$secrets" ] || fail "the password is in a file: $secrets"
    grep -q libnetapi /proc/"$helper"/maps || fail "the helper has not loaded libnetapi"
    ! grep -Eq 'libnetapi|libsmb|samba' /proc/"$program"/maps || fail "the program loaded Samba"
    # A helper that dies costs its host, not the run.
    kill -KILL "$helper"
    wait "$program"
    status=$?
    [ "$status" -eq 1 ] || fail "exit status $status"
    expect_messages "$(failed_with "127.0.0.3" "1067: The process terminated unexpectedly.")" \
        "$(failed_with "127.0.0.1" "1326: The user name or password is incorrect.")" \
        "All tries were failed."
    # A user's run with a capability (the service's or a file capability's
    # CAP_SYS_TIME; here one that sets no clock): the launcher and the
    # helper hold none, may gain none, are not dumpable and dump no core.
    mkdir "$work/user" && chown daemon "$work/user"
    VESTRIO_LOG_FILE=$work/user/log setpriv --reuid=daemon --regid=daemon --clear-groups \
        --inh-caps=+net_bind_service --ambient-caps=+net_bind_service "$todsync" 127.0.0.3 \
        </dev/null >/dev/null 2>&1 &
    user_run=$!
    connected_helper "$user_run" >/dev/null || fail "user: no helper connected to the server"
    for p in $(descendants "$user_run"); do
        [ "$(grep -Ec '^(CapPrm|CapEff|CapInh|CapAmb):[[:space:]]*0+$' /proc/"$p"/status)" -eq 4 ] &&
            grep -q '^NoNewPrivs:[[:space:]]*1' /proc/"$p"/status &&
            [ "$(stat -c %U /proc/"$p"/environ)" = root ] &&
            grep -Eq '^Max core file size +0 +0 ' /proc/"$p"/limits ||
            fail "user: process $p: $(grep -E '^(Cap|NoNewPrivs)' /proc/"$p"/status | tr '\n' ' ')"
    done
    kill "$user_run"
    wait "$user_run"
    ;;
launcher)
    # A launcher that is stopped (and stays so, or is resumed) costs the
    # host at most its deadline, and nothing of the run outlives it.
    hostile stall
    for resume in no yes; do
        "$todsync" 127.0.0.3 127.0.0.1 </dev/null >"$work/stdout" 2>"$work/stderr" &
        program=$!
        helper=$(connected_helper "$program") || fail "no helper connected to the server"
        launcher=$(cat /proc/"$program"/task/*/children)
        kill -STOP "$launcher" && kill -KILL "$helper"
        start=$(date +%s)
        [ "$resume" = no ] || { sleep 2 && kill -CONT "$launcher"; }
        wait "$program"
        took=$(($(date +%s) - start))
        second=$([ "$resume" = yes ] && reached 127.0.0.1 ||
            failed_with 127.0.0.1 "121: The semaphore timeout period has expired.")
        expect_messages "$(failed_with "127.0.0.3" "1067: The process terminated unexpectedly.")" \
            "$second" "All tries were failed."
        [ "$took" -le 32 ] || fail "resumed $resume: the host took $took s"
        sleep 0.2
        ! kill -0 "$launcher" 2>/dev/null || fail "resumed $resume: the launcher outlived the run"
    done
    # A stopped launcher ends with a program that is killed outright.
    "$todsync" 127.0.0.3 </dev/null >/dev/null 2>&1 &
    program=$!
    connected_helper "$program" >/dev/null || fail "no helper connected to the server"
    launcher=$(cat /proc/"$program"/task/*/children)
    kill -STOP "$launcher" && kill -KILL "$program"
    wait "$program"
    sleep 0.2
    ! kill -0 "$launcher" 2>/dev/null || fail "a stopped launcher outlived its program"
    # A helper that ends right after its answer is replaced for the next
    # host; with no process left to start, each host says so.
    mkdir "$work/lib" && cp "$3" "$work/lib/libnetapi.so.1" && chmod -R a+rX "$work/lib"
    LD_LIBRARY_PATH=$work/lib run quit other
    expect_messages "$(failed_with "QUIT" "53: The network path was not found.")" \
        "$(not_found OTHER)" "All tries were failed."
    # (A sanitizer build's leak check at exit needs a thread of its own.)
    ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 \
        TODSYNC_WRAPPER="prlimit --nproc=1 ${TODSYNC_WRAPPER:-}" run 127.0.0.1 127.0.0.2
    expect_messages "$(failed_with "127.0.0.1" "89: The system cannot start another process at this time.")" \
        "$(failed_with "127.0.0.2" "89: The system cannot start another process at this time.")" \
        "All tries were failed."
    ;;
stop-signal)
    # A stop signal while a host is tried: the entry is still written.
    hostile stall
    for pair in TERM:15 INT:2 HUP:1; do
        signal=${pair%:*}
        "$todsync" 127.0.0.1 127.0.0.3 127.0.0.1 </dev/null >"$work/stdout" 2>&1 &
        program=$!
        connected_helper "$program" >/dev/null || fail "no helper connected to the server"
        # The first signal counts. (Pending together, the higher-numbered
        # one's handler runs first: the second is the lowest.)
        kill -"$signal" "$program" && kill -HUP "$program"
        wait "$program"
        status=$?
        [ "$status" -eq $((128 + ${pair#*:})) ] || fail "SIG$signal: exit status $status"
        expect_messages "$(reached 127.0.0.1)" \
            "$(failed_with "127.0.0.3" "995: The I/O operation has been aborted because of either a thread exit or an application request.")" \
            "The run was ended by SIG$signal."
        sleep 0.2
        [ -z "$(descendants "$program")" ] && ! kill -0 "$program" 2>/dev/null ||
            fail "SIG$signal: a process outlived the run"
    done
    ;;
environment)
    # Hostile or broken environments cost nothing but the hosts they spoil.
    USER=% run 127.0.0.1
    [ "$status" -eq 1 ] || fail "USER=%: exit status $status"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    # Files named for credentials that cannot serve: missing, a FIFO, a
    # ticket cache that others may read or that is another's, one too short.
    mkfifo "$work/fifo"
    head -c 100 /dev/zero >"$work/open" && chmod 640 "$work/open"
    head -c 100 /dev/zero >"$work/other" && chmod 600 "$work/other" && chown nobody "$work/other"
    printf 'ab' >"$work/short" && chmod 600 "$work/short"
    # A link at a password file's name; a cache that is no cache; cache
    # folders open to others, with a primary that leaves the folder, or
    # that are no folder.
    ln -s short "$work/pwlink"
    head -c 100 /dev/zero >"$work/zeros" && chmod 600 "$work/zeros"
    for dir in opendir dotdir; do
        mkdir -m 700 "$work/$dir" && printf '\005\004\000\000' >"$work/$dir/tkt" &&
            chmod 600 "$work/$dir/tkt" || exit 1
    done
    chmod 777 "$work/opendir" && echo tkt >"$work/opendir/primary" && echo .. >"$work/dotdir/primary"
    for way in "2 PASSWD_FILE=$work/missing" "2 PASSWD_FILE=/etc/hostname/x" \
        "2 KRB5CCNAME=FILE:$work/missing" \
        "10 PASSWD_FILE=$work/fifo" "10 KRB5CCNAME=FILE:$work/open" \
        "10 KRB5CCNAME=FILE:$work/other" "2148074254 KRB5CCNAME=FILE:$work/short" \
        "10 PASSWD_FILE=$work/pwlink" "13 KRB5CCNAME=FILE:$work/zeros" \
        "10 KRB5CCNAME=DIR:$work/opendir" "13 KRB5CCNAME=DIR:$work/dotdir" \
        "10 KRB5CCNAME=DIR:$work/short"; do
        eval "USER=daemon ${way#* } run 127.0.0.1"
        messages | grep -q "^NetRemoteTOD() failed. Error ${way%% *}: " || fail "$way: $(messages)"
    done
    # Under sudo (here by the user daemon), what the environment names is
    # read as that user alone, never through a link at its end: a cache
    # folder the user cannot list, a password file only root's group may
    # read, a link planted at the user's default cache, a cache of a kind
    # not known. Each gives its error, and nothing is used.
    chmod 711 "$work" && mkdir -m 700 "$work/rootonly" && echo tkt >"$work/rootonly/primary" &&
        printf '\005\004\000\000' >"$work/rootonly/tkt" && printf 'pw\n' >"$work/rootpw" &&
        chmod 640 "$work/rootpw" || exit 1
    as_sudo() {  # the entry is read from standard error
        unshare --mount sh -c "mount -t tmpfs none /var/log && $1 &&
            exec env SUDO_UID=1 SUDO_GID=1 USER=daemon $2 timeout 60 '$todsync' 127.0.0.1" \
            </dev/null >/dev/null 2>"$work/stderr.$3"
        grep -q "^\[.*\] NetRemoteTOD() failed\. Error $3: " "$work/stderr.$3" ||
            fail "under sudo, $2 $1: $(grep -a 'Error' "$work/stderr.$3")"
    }
    as_sudo true "KRB5CCNAME=DIR:$work/rootonly" 5
    as_sudo true "PASSWD_FILE=$work/rootpw" 5
    as_sudo "mount -t tmpfs none /tmp && install -o daemon -m 600 /dev/null /tmp/mine &&
        ln -s mine /tmp/krb5cc_1" "" 10
    as_sudo true "KRB5CCNAME=API:x" 50
    chmod 700 "$work"
    # Without the system user, or with one of uid 0, a root run starts no
    # helper: Samba's code never runs as a uid that other processes share.
    grep -v '^_todsync:' /etc/passwd >"$work/passwd-none"
    cp "$work/passwd-none" "$work/passwd-root" &&
        echo '_todsync:x:0:0::/:/usr/sbin/nologin' >>"$work/passwd-root" || exit 1
    for passwd in none root; do
        unshare --mount sh -c "mount --bind '$work/passwd-$passwd' /etc/passwd &&
            exec timeout 60 '$todsync' 127.0.0.1 127.0.0.2" </dev/null >/dev/null 2>"$work/stderr"
        status=$?
        # The entry is read from standard error: root does not write into a
        # folder of a user that /etc/passwd no longer names.
        nouser=$(grep -c '\] NetRemoteTOD() failed\. Error 1317: The specified account does not' \
            "$work/stderr")
        [ "$status" -eq 1 ] && [ "$nouser" -eq 2 ] ||
            fail "_todsync $passwd: status $status: $(cat "$work/stderr")"
    done
    # No smb.conf (samba-common not installed): Samba's defaults serve.
    unshare --mount sh -c "mount -t tmpfs none /etc/samba && exec timeout 60 '$todsync' 127.0.0.1" \
        </dev/null >"$work/stdout" 2>"$work/stderr"
    expect_messages "$(reached 127.0.0.1)" "All tries were failed."
    ;;
log-places)
    # Places that would hang the run, end it, or lose the entry silently.
    refused_entry() { expect_messages "$(refused 127.0.0.2)" "All tries were failed."; }
    mkfifo "$work/fifo"
    VESTRIO_LOG_FILE=$work/fifo run 127.0.0.2
    [ "$status" -eq 1 ] || fail "log file a FIFO: exit status $status"
    grep -q '^\[.*Error 1225' "$work/stderr" || fail "log file a FIFO: the entry is not on standard error"
    awk -v t="$took" 'BEGIN { exit !(t < 5) }' || fail "log file a FIFO: took $took s"
    # A link at the log file's name, or a device: not written, and said so.
    ln -s "$work/target" "$work/link"
    for place in "$work/link" /dev/null; do
        VESTRIO_LOG_FILE=$place run 127.0.0.2
        [ ! -e "$work/target" ] && grep -q '^\[.*Error 1225' "$work/stderr" &&
            grep -q "log file $place" "$work/stderr" || fail "log file $place: $(cat "$work/stderr")"
    done
    # A file size limit, whole or part of the entry; a reader of standard
    # error that is gone.
    # (With no place at all left, the run says so: 70.)
    (ulimit -f 0 && run 127.0.0.2; exit "$status")
    status=$?
    [ "$(wc -c <"$VESTRIO_LOG_FILE")" -eq 0 ] && { [ "$status" -eq 1 ] || [ "$status" -eq 70 ]; } ||
        fail "a file size limit of 0: exit status $status, or written past it"
    # shellcheck disable=SC2046
    (ulimit -f 1 && run $(awk 'BEGIN { for (i = 0; i < 100; i++) printf "h%d\001 ", i }'))
    grep -q "log file.*part of the entry" "$work/stderr" || fail "a part written: $(tail -n 1 "$work/stderr")"
    : >"$VESTRIO_LOG_FILE"
    timeout 60 "$todsync" 127.0.0.2 </dev/null 2>&1 | true
    refused_entry
    # A standard error that nobody reads: the run still ends.
    mkfifo "$work/slow"
    exec 8<>"$work/slow"
    head -c 200000 /dev/zero | tr '\0' x >&8 2>/dev/null &
    filler=$!
    sleep 0.5
    run 127.0.0.2 2>"$work/slow"
    kill "$filler" 2>/dev/null
    exec 8>&-
    awk -v t="$took" 'BEGIN { exit !(t < 10) }' || fail "a full standard error held the run $took s"
    refused_entry
    # Nowhere at all: then, and only then, the run says nothing was logged.
    VESTRIO_LOG_FILE=$work/no/such/folder/log timeout 60 "$todsync" 127.0.0.2 </dev/null 2>/dev/full >&-
    status=$?
    [ "$status" -eq 70 ] || [ -S /dev/log ] || fail "no place took the entry: exit status $status"
    # Names that would forge a line of the log or drive a terminal.
    run "$(printf 'a\r\nSystem_time_was_updated_successfully.')" \
        "$(printf 'b\302\2331m\033[2J')" "$(printf 'c\233x')" "$(printf 'd\342\200\213x')"
    bad="123: The filename, directory name, or volume label syntax is incorrect."
    expect_messages "$(failed_with "A^M^JSYSTEM_TIME_WAS_UPDATED_SUCCESSFULLY." "$bad")" \
        "$(failed_with "B<U+009B>1M^[[2J" "$bad")" \
        "$(failed_with "C<0x9B>X" "$bad")" \
        "$(failed_with "D<U+200B>X" "$bad")" \
        "All tries were failed."
    ! grep -q "$(printf '\233')" "$VESTRIO_LOG_FILE" "$work/stderr" || fail "a C1 control reached a place"
    # Run as root with a state folder named by a user (sudo -E): the folder
    # is not used, and what its links point at is untouched.
    mkdir -p "$work/user/vestrio" "$work/rootdir"
    echo keep >"$work/rootdir/todsync"
    ln -s "$work/rootdir" "$work/user/vestrio/app-paths"
    chown -R -h nobody "$work/user"
    XDG_STATE_HOME=$work/user STATE_DIRECTORY= run 127.0.0.2
    [ "$(cat "$work/rootdir/todsync" 2>&1)" = keep ] || fail "a user's link made root replace a file"
    # Under sudo the user's VESTRIO_LOG_FILE is not root's to write.
    unshare --mount sh -c "mount -t tmpfs none /var/log && mount -t tmpfs none /root && SUDO_UID=65534 \
        VESTRIO_LOG_FILE='$work/user.log' exec '$todsync' 127.0.0.2" </dev/null >/dev/null 2>&1
    [ ! -e "$work/user.log" ] || fail "under sudo, root wrote the log file the user named"
    # No /proc (a minimal container): the run goes on without the record.
    unshare --mount sh -c "mount -t tmpfs none /proc && exec timeout 60 '$todsync' 127.0.0.2" \
        </dev/null >"$work/stdout" 2>"$work/stderr"
    status=$?
    [ "$status" -eq 1 ] || fail "no /proc: exit status $status: $(cat "$work/stderr")"
    grep -E '^[0-9]{4}-' "$VESTRIO_LOG_FILE" | tail -n 1 | grep -Eq ' todsync\[[0-9]+\] error$' ||
        fail "no /proc: the entry is not named todsync"
    ;;
separation)
    # A libnetapi taken over inside the helper ($3, tests/standins/
    # netapi-hostile.cpp) tries every way out it knows. Each target is open
    # to the helper's user by its permission bits: only the separation
    # stands in the way.
    mkdir "$work/lib" && cp "$3" "$work/lib/libnetapi.so.1" && chmod -R a+rX "$work" || exit 1
    # A key in the session keyring that the runs start in, as a caller's
    # tickets would be.
    python3 -c 'import ctypes; ctypes.CDLL(None).syscall(248, b"user", b"todsync-test", b"secret", 6, -3)'
    # The run's user: root's runs go on as _todsync, a user's as the user.
    for mode in root sudo user; do
        owner=_todsync
        [ "$mode" = user ] && owner=daemon
        dir=$work/$mode
        mkdir -p "$dir/state" && echo secret >"$dir/credential" && : >"$dir/stderr" &&
            chmod 600 "$dir/credential" && chown -R "$owner": "$dir" || exit 1
        hex=$(printf '%s\n%s\n%s\n%s' "$dir/log" "$dir/state" "$dir/stderr" "$dir/credential" |
            od -An -tx1 | tr -d ' \n')
        case $mode in
        root) set -- ;;
        # sudo as the user daemon: the user's VESTRIO_LOG_FILE is not taken,
        # and the entry is read from standard error.
        sudo) set -- env SUDO_UID=1 SUDO_GID=1 SUDO_USER=daemon ;;
        # A user's own run (the unit's, a file capability's): no root at all.
        user) set -- setpriv --reuid=daemon --regid=daemon --clear-groups ;;
        esac
        # The program's pid is the last target: the shell's, which it replaces.
        USER=someone%secret VESTRIO_LOG_FILE=$dir/log LD_LIBRARY_PATH=$work/lib timeout 60 \
            "$@" sh -c 'exec "$0" "escape-$1$(printf "\n%s" $$ | od -An -tx1 | tr -d " \n")" \
            127.0.0.2' "$todsync" "$hex" </dev/null 2>>"$dir/stderr"
        status=$?
        entry=$(grep -a 'NetRemoteTOD() failed\. Error' "$dir/stderr" | head -n 1)
        [ "$status" -eq 1 ] && echo "$entry" | grep -q 'Error 536870912: ' ||
            fail "$mode: exit status $status, ways out: $entry"
        ! grep -q 'updated successfully' "$dir/log" "$dir/stderr" 2>/dev/null &&
            [ -z "$(ls -A "$dir/state")" ] || fail "$mode: the helper wrote a file of the program's"
        ! ls /tmp/todsync-hostile-* /var/tmp/todsync-hostile-* >/dev/null 2>&1 ||
            fail "$mode: a file was left in /tmp"
    done
    ;;
sanitizer)
    # The sanitizer build: a memory fault inside libnetapi (a stand-in, $3,
    # that reads past a buffer for OVERFLOW) is reported on standard error,
    # where `run` looks for reports, and not lost with Samba's captured output.
    mkdir "$work/lib" && cp "$3" "$work/lib/libnetapi.so.1" && chmod -R a+rX "$work" || exit 1
    LD_LIBRARY_PATH="$work/lib" timeout 60 "$todsync" overflow other </dev/null 2>"$work/stderr"
    status=$?
    [ "$status" -eq 1 ] && grep -q 'ERROR: AddressSanitizer: heap-buffer-overflow' "$work/stderr" &&
        grep -q 'in NetRemoteTOD' "$work/stderr" || fail "status $status: $(cat "$work/stderr")"
    ! grep -q 'Sanitizer' "$VESTRIO_LOG_FILE" || fail "the report went into the entry"
    expect_messages "$(failed_with "OVERFLOW" "1067: The process terminated unexpectedly.")" "$(not_found OTHER)" \
        "All tries were failed."
    ;;
system-log)
    # A private /dev/log: a fresh, empty /dev in a mount namespace of this
    # row's own (nothing of the machine's /dev is reachable from it, and it
    # goes away with the namespace), with the few devices a run uses.
    private_dev() {
        unshare --mount sh -c 'mount -t tmpfs -o mode=755 none /dev &&
            mknod -m 666 /dev/null c 1 3 && mknod -m 666 /dev/zero c 1 5 &&
            mknod -m 666 /dev/full c 1 7 &&
            mknod -m 666 /dev/urandom c 1 9 && ln -s /proc/self/fd /dev/fd &&
            exec "$@"' sh "$@" </dev/null >"$work/stdout" 2>"$work/stderr"
    }
    # An entry far larger than the system log takes: 3000 names that fail
    # at once (a control character in each).
    names=$(awk 'BEGIN { for (i = 0; i < 3000; i++) printf "h%d\001 ", i }')
    # shellcheck disable=SC2086
    private_dev python3 "$here/syslog-receiver.py" /dev/log read "$work/syslog" "$todsync" $names
    status=$?
    [ "$status" -eq 1 ] || fail "a large entry: exit status $status"
    tr '\0' '\n' <"$work/syslog" >"$work/syslog.txt"
    head -c 40 "$work/syslog.txt" | grep -q '^<11>.* todsync\[[0-9]*\]: \[' ||
        fail "system log message: $(head -c 200 "$work/syslog.txt")"
    [ "$(wc -c <"$work/syslog")" -le 50000 ] || fail "the system log got $(wc -c <"$work/syslog") bytes"
    grep -q "^\.\.\. [0-9]* more characters of this entry left out; the whole entry is in $VESTRIO_LOG_FILE\.\$" \
        "$work/syslog.txt" || fail "no closing line: $(tail -n 2 "$work/syslog.txt")"
    [ "$(grep -c 'Trying machine H' "$VESTRIO_LOG_FILE")" -eq 3000 ] || fail "the file lost lines"
    # The log file and standard error both failing while the system log took
    # the entry (of the information kind, a dry run): logged, no fatal error,
    # and the cut names no file.
    (export VESTRIO_LOG_FILE="$work/no/such/folder/log"
        private_dev python3 "$here/syslog-receiver.py" /dev/log read "$work/syslog" \
            sh -c "exec '$todsync' --dry-run $names 127.0.0.1 2>/dev/full")
    status=$?
    [ "$status" -eq 0 ] && [ "$(head -c 4 "$work/syslog")" = "<14>" ] ||
        fail "only the system log took it: status $status, $(head -c 40 "$work/syslog")"
    tr '\0' '\n' <"$work/syslog" | grep -q '^\.\.\. [0-9]* more characters of this entry left out\.$' ||
        fail "the cut names a file that has no entry: $(tr '\0' '\n' <"$work/syslog" | tail -n 1)"
    # A system log that takes nothing: the run waits for it only so long.
    start=$(date +%s)
    private_dev python3 "$here/syslog-receiver.py" /dev/log stuck "$work/syslog" "$todsync" $names
    status=$?
    took=$(($(date +%s) - start))
    [ "$status" -eq 1 ] && [ "$took" -lt 10 ] || fail "a stuck system log: status $status, $took s"
    ;;
*)
    echo "no such row: $row" >&2
    exit 2
    ;;
esac

finish "fault matrix, $row"
