# bash completion for melkoctl                                    -*- shell-script -*-
#
# Commands, options, settings and their values, button functions, and the names of the profiles
# and macros in the data folder, which melkoctl itself lists (with the command line's --data-dir).

# The words typed so far as melkoctl reads them: the command, its arguments, and the value of
# --data-dir.
_melkoctl_parse()
{
    command="" args=() data_dir=""
    local i word
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        case $word in
            --data-dir | --layout | --wait | --seconds | --count | --profile)
                [[ $word == --data-dir ]] && data_dir=$(_melkoctl_unquote "${words[i + 1]-}")
                ((i++))
                ;;
            --data-dir=*) data_dir=$(_melkoctl_unquote "${word#*=}") ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=$word
                else
                    args+=("$word")
                fi
                ;;
        esac
    done
}

# A word as the shell will pass it: quotes and backslash escapes taken away (without evaluating
# anything in it).
_melkoctl_unquote()
{
    local text=$1 out="" quote="" c i
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        if [[ -z $quote && ($c == \" || $c == \') ]]; then
            quote=$c
            continue
        fi
        if [[ -n $quote && $c == "$quote" ]]; then
            quote=""
            continue
        fi
        if [[ $c == \\ && $quote != \' ]] && ((i + 1 < ${#text})); then
            ((i++))
            c=${text:i:1}
        fi
        out+=$c
    done
    printf %s "$out"
}

# melkoctl as it was typed, run on the command line's data folder; nothing when it cannot run.
_melkoctl_run()
{
    local program=${words[0]/#\~/$HOME}
    local -a data=()
    [[ -n $data_dir ]] && data=(--data-dir "$data_dir")
    type -P "$program" &>/dev/null || return
    "$program" "${data[@]}" "$@" 2>/dev/null
}

# Offers each line of standard input that begins with what is typed, quoted as the word is being
# typed: escaped when bare, as it is inside an opened quote (which readline then closes).
_melkoctl_offer_lines()
{
    local quote="" typed=$cur line quoted
    case $typed in
        \"*) quote=\" ;;
        \'*) quote=\' ;;
    esac
    typed=$(_melkoctl_unquote "$typed$quote")
    while IFS= read -r line; do
        [[ -n $line && $line == "$typed"* ]] || continue
        case $quote in
            \") quoted=${line//\\/\\\\} quoted=${quoted//\"/\\\"} quoted=${quoted//\$/\\\$}
                quoted=${quoted//\`/\\\`} ;;
            \') quoted=$line ;;
            *) printf -v quoted %q "$line" ;;
        esac
        COMPREPLY+=("$quoted")
    done
    [[ -z $quote ]] && __ltrim_colon_completions "$cur"
}

_melkoctl_profiles()
{
    _melkoctl_offer_lines < <(_melkoctl_run profiles | sed -E 's/^[0-9]+ [* ] //')
}

_melkoctl_macros()
{
    _melkoctl_offer_lines < <(_melkoctl_run macros | sed -E 's/^[0-9]+ //')
}

# The short names of the button functions, as `melkoctl set --help` lists them.
_melkoctl_functions()
{
    _melkoctl_run set --help | sed -n '/Button functions:/,$p' |
        sed -e 's/.*Button functions://' -e 's/,/ /g'
}

_melkoctl_layouts()
{
    sed -n '/^! layout/,/^$/{s/^  \([^ ]*\) .*/\1/p}' /usr/share/X11/xkb/rules/evdev.lst \
        2>/dev/null
}

# The words after `set` (and its options).
_melkoctl_set()
{
    local n=${#args[@]} setting=${args[0]-}
    if ((n == 0)); then
        COMPREPLY=($(compgen -W 'dpi stage stage-enable dpi-color rate light light-off sleep debounce
            lift-off ripple angle-snap button --profile --wait --debug' -- "$cur"))
        return
    fi
    case $setting in
        dpi | dpi-color | stage) ((n == 1)) && COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8' -- "$cur")) ;;
        stage-enable)
            ((n == 1)) && COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8' -- "$cur"))
            ((n == 2)) && COMPREPLY=($(compgen -W 'on off' -- "$cur"))
            ;;
        rate) ((n == 1)) && COMPREPLY=($(compgen -W '125 250 500 1000' -- "$cur")) ;;
        lift-off) ((n == 1)) && COMPREPLY=($(compgen -W '1 2' -- "$cur")) ;;
        ripple | angle-snap) ((n == 1)) && COMPREPLY=($(compgen -W 'on off' -- "$cur")) ;;
        light)
            # light MODE [brightness N] [speed N] [color #RRGGBB]: a name after each value.
            ((n >= 2 && n % 2 == 0)) && COMPREPLY=($(compgen -W 'brightness speed color' -- "$cur"))
            ;;
        button)
            if ((n == 1)); then
                COMPREPLY=($(compgen -W "$(seq 1 18)" -- "$cur"))
            elif ((n == 2)); then
                COMPREPLY=($(compgen -W "shortcut macro $(_melkoctl_functions)" -- "$cur"))
            elif [[ ${args[2]} == macro ]]; then
                if ((n == 3)); then
                    _melkoctl_macros
                elif ((n == 4)); then
                    COMPREPLY=($(compgen -W 'repeat mode' -- "$cur"))
                elif ((n == 5)) && [[ ${args[4]} == mode ]]; then
                    COMPREPLY=($(compgen -W '1 2' -- "$cur"))
                fi
            fi
            ;;
    esac
}

_melkoctl()
{
    local cur prev words cword split
    _init_completion -s -n : || return

    local command args data_dir
    _melkoctl_parse

    case $prev in
        --data-dir)
            _filedir -d
            return
            ;;
        --layout)
            COMPREPLY=($(compgen -W "$(_melkoctl_layouts)" -- "$cur"))
            return
            ;;
        --profile)
            _melkoctl_profiles
            return
            ;;
        --wait | --seconds | --count)
            return
            ;;
    esac
    $split && return

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--data-dir --json --layout --help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'profiles profile macros macro keys status apply set watch
                help' -- "$cur"))
        fi
        return
    fi

    local verb=${args[0]-} n=${#args[@]}
    case $command in
        profile | macro)
            if ((n == 0)); then
                local verbs='add rename delete show export import'
                [[ $command == profile ]] && verbs+=' select reset'
                COMPREPLY=($(compgen -W "$verbs" -- "$cur"))
            elif [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--wait --debug' -- "$cur"))
            elif [[ $verb == import ]] && ((n == 1)); then
                _filedir
            elif [[ $verb == export ]] && ((n == 2)); then
                _filedir
            elif [[ $verb == @(select|rename|delete|reset|show|export) ]] && ((n == 1)); then
                if [[ $command == profile ]]; then _melkoctl_profiles; else _melkoctl_macros; fi
            fi
            ;;
        keys) COMPREPLY=($(compgen -W '--layout' -- "$cur")) ;;
        status | apply) COMPREPLY=($(compgen -W '--wait --debug' -- "$cur")) ;;
        watch) COMPREPLY=($(compgen -W '--seconds --count --debug' -- "$cur")) ;;
        set) _melkoctl_set ;;
    esac
} &&
    complete -F _melkoctl melkoctl

# ex: filetype=sh
