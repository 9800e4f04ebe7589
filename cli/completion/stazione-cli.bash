# Bash completion for stazione-cli: its commands, its options, the box names that --set takes for
# the command given, and the port numbers of the ports folder.
#
#   source cli/completion/stazione-cli.bash
#
# Works with the bash-completion package (it then uses _init_completion) and without it.

_stazione_cli_commands="ports identify params set-clock set-interval set-name set-channels enable disable
sensors gsm gprs alarms sms-text download monitor live set-preheating set-battery set-minipan set-counter
rain set-rain events stop set-start start-now set-sms set-phone-alarm set-gsm fullscale retry find-modem
hang-up stations collect report export plot db reset erase"

_stazione_cli_options="--help --port --modem-port --dial --station --dial-pause --call-timeout --timeout
--trace --json --yes --now --gsm --set --rows --temp --from-end --dir --file --sets --groups --stations
--retries --retry-wait --sync-clock --out --from --to --channels --png --width --height --report --days
--lang --alert-battery --alert-memory --alert-drift --alert-failures --alert-stale --on-alert --db"

# Options followed by a value.
_stazione_cli_valued=" --port --modem-port --dial --station --call-timeout --timeout --trace --set --rows
--dir --file --sets --groups --stations --retries --retry-wait --sync-clock --out --from --to --channels
--png --width --height --days --lang --alert-battery --alert-memory --alert-drift --alert-failures
--alert-stale --on-alert --db "

# The port numbers n of the COMn links in the ports folder.
_stazione_cli_ports()
{
    local dir="${STAZIONE_PORTS:-${XDG_CONFIG_HOME:-$HOME/.config}/stazione/ports}" link n
    for link in "$dir"/COM*; do
        [[ -e $link || -L $link ]] || continue
        n=${link##*/COM}
        [[ $n =~ ^[0-9]+$ ]] && printf '%s\n' "$n"
    done | sort -n
}

# The names of the boxes that --set can change for a command, each followed by "=".
_stazione_cli_boxes()
{
    local i names=()
    case $1 in
    sensors)
        for i in {0..15}; do names+=("NomeCanali_$i" "CA_$i" "CB_$i" "CC_$i" "CD_$i"); done ;;
    gsm)
        for i in {0..9}; do names+=("NUMERO_ALLARME_SMS_$i"); done
        names+=(NUMERO_ALLARMI_SMS) ;;
    gprs)
        for i in {0..9}; do names+=("GPRS_$i"); done
        names+=(EMAIL) ;;
    alarms)
        for i in {0..15}; do names+=("AllarmeAttivo_$i" "CA_$i" "CB_$i"); done ;;
    sms-text)
        for i in {0..4}; do names+=("SMS_PERSONALIZZATO_$i"); done ;;
    set-sms)
        names+=(NUMERO_ALLARME_TELEFONO Abilita_Telefono) ;;
    set-phone-alarm)
        names+=(NUMERO_ALLARME_TELEFONO Abilita_SMS) ;;
    esac
    ((${#names[@]})) && printf '%s=\n' "${names[@]}"
}

_stazione_cli()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null 2>&1; then
        # "=" stays inside a word, so that "--set GPRS_" completes to "--set GPRS_7=".
        _init_completion -n = || return
    else
        COMPREPLY=()
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi

    # The command is the first word that is neither an option nor an option's value.
    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -* ]]; then
            [[ $_stazione_cli_valued == *" ${words[i]} "* ]] && ((i++))
            continue
        fi
        command=${words[i]}
        break
    done

    case $prev in
    --port | --modem-port)
        COMPREPLY=($(compgen -W "$(_stazione_cli_ports)" -- "$cur"))
        return ;;
    --set)
        COMPREPLY=($(compgen -W "$(_stazione_cli_boxes "$command")" -- "$cur"))
        [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
        return ;;
    --dir)
        COMPREPLY=($(compgen -d -- "$cur"))
        return ;;
    --lang)
        COMPREPLY=($(compgen -W "it en" -- "$cur"))
        return ;;
    --on-alert)
        COMPREPLY=($(compgen -c -- "$cur"))
        return ;;
    --file | --trace | --out | --png)
        COMPREPLY=($(compgen -f -- "$cur"))
        return ;;
    --db)
        COMPREPLY=($(compgen -W "sqlite: postgresql://" -- "$cur"))
        compopt -o nospace 2>/dev/null
        return ;;
    --dial | --station | --call-timeout | --timeout | --rows | --sets | --groups | --from | --to | --channels | \
        --width | --height | --days | --alert-battery | --alert-memory | --alert-drift | --alert-failures | \
        --alert-stale)
        return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$_stazione_cli_options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$_stazione_cli_commands" -- "$cur"))
    else
        case $command in
        find-modem | hang-up) COMPREPLY=($(compgen -W "$(_stazione_cli_ports)" -- "$cur")) ;;
        export | plot) COMPREPLY=($(compgen -f -- "$cur")) ;;
        report) COMPREPLY=($(compgen -d -- "$cur")) ;;
        stations) ((cword == i + 1)) && COMPREPLY=($(compgen -W "add set remove" -- "$cur")) ;;
        db)
            if ((cword == i + 1)); then
                COMPREPLY=($(compgen -W "import query check" -- "$cur"))
            elif [[ ${words[i + 1]} == import || ${words[i + 1]} == check ]]; then
                COMPREPLY=($(compgen -d -- "$cur"))
            fi ;;
        set-battery | set-minipan | set-counter | set-sms | set-phone-alarm | set-gsm)
            ((cword == i + 1)) && COMPREPLY=($(compgen -W "1 0" -- "$cur")) ;;
        esac
    fi
}

complete -F _stazione_cli stazione-cli
