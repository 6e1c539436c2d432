/*
  ユーザー定義関数の例（Azure SQL Database）
  1. スカラー関数: RETURNS でデータ型を宣言し、BEGIN ... END の中で RETURN します。
  2. インライン テーブル値関数: RETURNS TABLE と 1 つの SELECT だけで書きます。
  Azure SQL Database では別データベースのオブジェクトを三部構成名で参照できません。
  時刻は UTC です。日本時間が必要なときは AT TIME ZONE で変換します。
*/

-- 1. スカラー関数
CREATE FUNCTION [dbo].[ufn_JapanDate] (@Value datetimeoffset)
RETURNS date
AS
BEGIN
    RETURN CAST(@Value AT TIME ZONE 'Tokyo Standard Time' AS date);
END
go

-- 2. インライン テーブル値関数
CREATE FUNCTION [dbo].[ufn_OrdersOfCustomer] (@CustomerId int)
RETURNS TABLE
AS
RETURN
(
    SELECT o.OrderId, o.OrderDate, o.CustomerId
    FROM   dbo.Orders AS o
    WHERE  o.CustomerId = @CustomerId
);
go

/* 呼び出し例
SELECT dbo.ufn_JapanDate(SYSDATETIMEOFFSET());
SELECT * FROM dbo.ufn_OrdersOfCustomer(1);
*/
