# bash completion for quillora, the desktop program          -*- shell-script -*-
# (quillora-cli's own is written by the build from its parser.)

_quillora()
{
    local cur prev words cword
    _init_completion || return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-h --help --version --register --unregister' -- "$cur"))
        return
    fi
    _filedir '@(cas|caz)'
} &&
    complete -F _quillora quillora

# ex: filetype=sh
