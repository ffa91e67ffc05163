# bash completion for the NOVAMIR programs, installed once under each
# program's name. What it offers is read from the program's own --help, so it
# never lags behind the program: the --options, and the commands a usage line
# names right after the program (novamir-project dump|build|new). Everything
# else completes as file names.

_novamir_complete()
{
    local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]}
    local help
    help=$("$program" --help 2>/dev/null) || return 0
    COMPREPLY=()
    if [[ $cur == -* ]]; then
        local options
        options=$(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif ((COMP_CWORD == 1)); then
        local name=${program##*/} commands
        commands=$(sed -nE "s/^(usage:)?[[:space:]]*${name}[[:space:]]+([a-z][a-z-]*).*/\2/p" <<<"$help" | sort -u)
        [[ -n $commands ]] && mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    fi
    return 0
}

# The file is named after the program it completes; sourced by hand under
# another name, it serves every NOVAMIR program.
_novamir_name=${BASH_SOURCE[0]##*/}
if [[ $_novamir_name == novamir* && $_novamir_name != *.* ]]; then
    complete -o default -F _novamir_complete "$_novamir_name"
else
    complete -o default -F _novamir_complete novamir novamir-render novamir-project novamir-play \
        novamir-maps novamir-stars
fi
unset _novamir_name
