<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>kv71p-status</name>
    <message id="pickerTitle">
        <source>KV-71P printer status</source>
        <translation>KV-71P Druckerstatus</translation>
    </message>
    <message id="pickerPrompt">
        <source>Choose the printer whose status you want to see:</source>
        <translation>Wählen Sie den Drucker, dessen Status Sie sehen möchten:</translation>
    </message>
    <message id="pickerOpen">
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message id="pickerCancel">
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message id="pickerNotAQueue">
        <source>"%1" is not a KV-71P print queue.</source>
        <translation>„%1“ ist keine Druckwarteschlange eines KV-71P.</translation>
    </message>
    <message id="pickerCannotStart">
        <source>The status window could not be started.</source>
        <translation>Das Statusfenster konnte nicht gestartet werden.</translation>
    </message>
    <message id="pickerNoScheduler">
        <source>The print system does not answer. Is CUPS running?</source>
        <translation>Das Drucksystem antwortet nicht. Läuft CUPS?</translation>
    </message>
    <message id="pickerNoQueue">
        <source>No KV-71P print queue is set up yet. Connect the printer and switch it on: the status service sets up its queue.</source>
        <translation>Es ist noch keine Druckwarteschlange für einen KV-71P eingerichtet. Schließen Sie den Drucker an und schalten Sie ihn ein: Der Statusdienst richtet seine Warteschlange ein.</translation>
    </message>
</context>
</TS>
