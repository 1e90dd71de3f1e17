# Sourced by the compositor sessions: a session directory ($workdir) holding a
# runtime directory ($runtime, owner only) and a home ($home). Under root the
# compositor and the command run as "nobody" ($as); the session gives it the
# two directories once it has filled them.
workdir=$(mktemp -d)
chmod 755 "$workdir"
runtime=$workdir/runtime
home=$workdir/home
mkdir -m 700 "$runtime" && mkdir -m 755 "$home"
as=
if [ "$(id -u)" = 0 ]; then
    as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
